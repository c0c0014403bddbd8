#pragma once

#include "linestatus/linestatusmonitor.h"
#include "session/consolesession.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <mutex>

class ConsoleTarget;
class LineStatusStrip;

// Ties a console window's connection to its line status strip: watches the
// port from the connect until just before the close, counts what the
// session reads and writes, hands the strip the state at most once per poll
// (about 20 times a second), and turns the strip's RTS, DTR and reset clicks
// into the window's commands. Counting and the session's notifications may
// come from any thread.
class LineStatusLink : public QObject {
    Q_OBJECT
public:
    using StripSource = std::function<LineStatusStrip*()>;

    // `strip` gives the window's strip, once the window has one.
    LineStatusLink(ConsoleTarget& target, StripSource strip);
    ~LineStatusLink() override;

    // Adds the link's part to the session's callbacks: the connect and close
    // notifications, the byte counts.
    void watch(ConsoleSession::Events& events);

    // An Assert/Drop RTS or DTR request the port carried out.
    void modemLineSet(uint32_t controlCode);

private:
    void start();
    void stop();
    void attachStrip();
    void noteReceived(size_t bytes);
    void noteSent(size_t bytes);
    void showIdleCounts();
    void resetCounters();
    void requestLine(int raiseCommand, int dropCommand, bool on);
    void post(const linestatus::LineState& state);
    void show();
    template <class F> void withMonitor(F f);

    ConsoleTarget& m_target;
    StripSource m_stripSource;
    QPointer<LineStatusStrip> m_strip;

    std::mutex m_monitorMutex; // held while the monitor is used or replaced
    std::unique_ptr<linestatus::LineStatusMonitor> m_monitor;
    // The counts of every connection of the window, kept across reconnects.
    const std::shared_ptr<linestatus::Tally> m_tally = std::make_shared<linestatus::Tally>();

    std::mutex m_stateMutex;
    linestatus::LineState m_latest;
    bool m_posted = false;
};
