#pragma once

#include <QObject>
#include <QTimer>

namespace torture {
class TortureRun;
}

// Shows the load run's progress: a timer on the user-interface thread copies
// the run's progress text into the receive pane of the newest console view
// (g_pLatestView), replacing the pane's text. The writers only count, so no
// widget is ever touched off this thread, and a pane is only reached through
// a view that is still alive.
class TortureDisplay : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 100;

    explicit TortureDisplay(torture::TortureRun& run, QObject* parent = nullptr);

    // The display of the process's run; made on first use on the
    // user-interface thread and destroyed with the application.
    static TortureDisplay& instance();

    // Starts the timer; it stops by itself once the run has ended.
    void follow();
    bool following() const { return m_timer.isActive(); }
    // One timer round: shows new progress, if there is any and a view to show it in.
    void refresh();

private:
    torture::TortureRun& m_run;
    QTimer m_timer;
};
