#pragma once

#include <QCoreApplication>
#include <QTimer>

// Runs the event loop for one turn, blocking while nothing happens, as the
// program's own loop does: a loop that spun would take a core from the
// receive thread it measures. The tick wakes the loop to look again also
// when no event comes, as often as the references' own polling does.
class EventWait {
public:
    EventWait() { m_tick.start(1); }
    void turn() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

private:
    QTimer m_tick;
};
