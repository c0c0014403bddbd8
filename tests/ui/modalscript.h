#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <deque>
#include <functional>

// Answers the modal windows that commands open, in order, as a person would.
// A command sits in its dialog's exec() until the dialog closes, so the steps
// run from a timer: each waits for a modal window it recognises and acts on
// it. A modal window that no step expects is noted and closed, and so is one
// that is still open a while after its step acted: a test never hangs on a
// dialog, and says which one was in the way.
class ModalScript : public QObject {
public:
    using Match = std::function<bool(QWidget*)>;
    using Act = std::function<void(QWidget*)>;

    explicit ModalScript(std::chrono::milliseconds limit = std::chrono::seconds(10));
    ~ModalScript() override;

    // Adds a step: when a modal window for which `match` holds is active, `act` on it.
    ModalScript& then(const QString& what, Match match, Act act);
    // Every step has acted.
    bool done() const { return m_steps.empty(); }
    // Windows that were in the way, steps that found nothing; empty when all went as planned.
    QStringList problems() const;

private:
    struct Step {
        QString what;
        Match match;
        Act act;
    };
    void poll();
    void dismiss(QWidget* w, const QString& why);
    bool overdue() const;

    std::deque<Step> m_steps;
    QStringList m_problems;
    QPointer<QWidget> m_acted;
    QTimer m_timer;
    std::chrono::milliseconds m_limit;
    std::chrono::steady_clock::time_point m_since;
};

// How a modal window presents itself in a problem report: class, title, text.
QString describeWindow(QWidget* w);

// Matchers and actions of the real dialogs.
ModalScript::Match isFileDialog();
ModalScript::Match isPortDialog();
ModalScript::Match isMessageBox(const QString& text);
// Types `path` into the file dialog's file-name field and presses its accept button.
ModalScript::Act chooseFile(const QString& path);
// Chooses `port` in the port settings dialog's port list and presses OK.
ModalScript::Act choosePort(const QString& port);
// Presses the button of the message box labelled `label`.
ModalScript::Act pressButton(const QString& label);
