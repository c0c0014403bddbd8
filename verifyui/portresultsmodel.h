#pragma once

#include "verify/report.h"
#include "verify/verifyrun.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace verifyui {

// The results table: one row per port, its counts as the run goes and its
// result once it is over. Sorting by SortRole orders numbers as numbers.
class PortResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Port, Device, Sent, Received, Rate, Lost, Corrupt, Framing, Parity, Overrun, ModemLines, Result };
    static constexpr int ColumnCount = Result + 1;
    static constexpr int SortRole = Qt::UserRole;

    PortResultsModel(const std::vector<std::string>& ports, double charsPerSecond, QObject* parent = nullptr);

    void setProgress(const verify::Progress& progress);
    void setReport(const verify::RunReport& report);

    const verify::PortProgress& progressAt(int row) const { return m_progress[size_t(row)]; }
    // Nothing while the run goes on.
    const verify::PortReport* reportAt(int row) const;
    const std::string& portAt(int row) const { return m_ports[size_t(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVariant value(int row, int column) const;
    QVariant lineError(int row, uint64_t portio::LineCounters::*field) const;
    double rate(int row) const;
    QString result(int row) const;
    void refresh();

    std::vector<std::string> m_ports;
    std::vector<verify::PortProgress> m_progress;
    std::optional<verify::RunReport> m_report;
    double m_charsPerSecond;
    double m_elapsedS = 0;
};

} // namespace verifyui
