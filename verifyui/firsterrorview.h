#pragma once

#include "verify/report.h"
#include "verify/verifyrun.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace verifyui {

// Where a selected port first went wrong: the offset in what it received,
// the expected and the received bytes around it as a hex dump, and its
// line-error counters.
class FirstErrorView : public QWidget {
    Q_OBJECT
public:
    explicit FirstErrorView(QWidget* parent = nullptr);

    // Nothing: no port selected, or the run is not over.
    void showPort(const QString& port, const verify::PortReport* report);
    // While the run goes on: the port's first error or reason, as soon as it has one.
    void showRunning(const QString& port, const verify::PortProgress& progress);
    QString heading() const;
    QString dump() const;
    QString counters() const;

private:
    void showFault(const QString& port, const std::string& reason, const std::optional<verify::FirstError>& error,
        const QString& counters);
    // Leaves what is already shown alone: the window redraws several times a second.
    void display(const QString& heading, const QString& dump, const QString& counters);

    QLabel* m_heading = nullptr;
    QPlainTextEdit* m_dump = nullptr;
    QLabel* m_counters = nullptr;
};

// The two rows of the dump, each starting at the offset of its first byte;
// the byte at the error's offset is marked with brackets.
QString firstErrorDump(const verify::FirstError& error);
QString lineCountersText(const verify::PortReport& report);

} // namespace verifyui
