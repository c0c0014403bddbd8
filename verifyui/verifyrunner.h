#pragma once

#include "verifychoices.h"

#include "portio/devicenamespace.h"
#include "verify/report.h"
#include "verify/verifyrun.h"

#include <QObject>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

namespace verifyui {

// Runs one verified load test on a thread of its own. The run never waits
// for the interface: it leaves its latest progress here, and the window
// takes it when it redraws. Stop ends the run at once; the destructor stops
// it and waits, so the ports are closed when this object is gone.
class VerifyRunner : public QObject {
    Q_OBJECT
public:
    VerifyRunner(portio::DeviceNamespace& ns, VerifyPlan plan, QObject* parent = nullptr);
    ~VerifyRunner() override;

    void start();
    void stop();
    // Waits for the run's thread (after stop, at once).
    void wait();
    bool stopping() const { return m_stop.load(); }
    bool finished() const;
    // The port (by its index in the plan) whose timeline progress carries.
    void watch(int lane) { m_watched = lane; }

    // The progress left since the last call, if any.
    std::optional<verify::Progress> takeProgress();
    // Once finished.
    std::optional<verify::RunReport> report() const;

signals:
    // On the interface thread, once the ports are closed.
    void runFinished();

private:
    void run();

    portio::DeviceNamespace& m_ns;
    VerifyPlan m_plan;
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_watched { -1 };
    mutable std::mutex m_mutex;
    std::optional<verify::Progress> m_progress;
    std::optional<verify::RunReport> m_report;
    std::thread m_thread;
};

} // namespace verifyui
