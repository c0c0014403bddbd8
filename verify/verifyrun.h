#pragma once

#include <optional>

#include "lane.h"
#include "report.h"

#include "portio/devicenamespace.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace verify {

struct Progress {
    double elapsedS = 0;
    uint64_t bytesSent = 0;
    uint64_t bytesReceived = 0;
    int ports = 0;
    int portsDone = 0;
};

// One verified load test: opens the ports through the namespace, checks the
// modem lines, measures latency, then sends each port's pattern while every
// receiver checks what arrives, and judges each port. `stop` (may be null)
// ends the run early, as interrupted.
class VerifyRun {
public:
    using ProgressFn = std::function<void(const Progress&)>;

    VerifyRun(portio::DeviceNamespace& ns, std::vector<std::string> ports, std::vector<int> sources,
        VerifySettings settings, const std::atomic<bool>* stop = nullptr);
    ~VerifyRun();

    RunReport run(const ProgressFn& progress = {});

private:
    void open();
    void prepare();
    void prepareGroup(const std::vector<int>& lanes);
    void load(const ProgressFn& progress);
    void send(Lane& lane);
    void receive(Lane& lane);
    bool receiverDone(Lane& lane, Clock::time_point progressAt, std::optional<Clock::time_point>& completeAt) const;
    PortReport reportFor(Lane& lane);
    bool stopped() const { return m_stop && m_stop->load(); }
    Progress progress() const;

    portio::DeviceNamespace& m_ns;
    VerifySettings m_settings;
    const std::atomic<bool>* m_stop;
    std::vector<std::unique_ptr<Lane>> m_lanes;
    Clock::time_point m_start;
    Clock::time_point m_loadStart;
};

} // namespace verify
