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

class PortOpener;

// One port as the run stands: waiting (opened, not yet sending), running, done.
struct PortProgress {
    enum class Phase : uint8_t { Waiting, Running, Done };
    Phase phase = Phase::Waiting;
    std::string device; // what the name stands for, once opened
    uint64_t sent = 0; // by its source, for this port
    uint64_t received = 0;
    StreamCounts stream; // found wrong so far
    std::string failure; // why it cannot take part ("busy" when another holds it)
    std::optional<portio::ErrorCode> openError;
    // Why it fails, as far as is known so far (empty: nothing wrong yet), and
    // where its received stream first went wrong.
    std::string reason;
    std::optional<FirstError> firstError;
    // Only for the port the caller watches (see VerifyRun::watch).
    std::optional<PortTimeline> timeline;
};

struct Progress {
    double elapsedS = 0; // of sending
    uint64_t bytesSent = 0;
    uint64_t bytesReceived = 0;
    int ports = 0;
    int portsDone = 0;
    std::vector<PortProgress> lanes; // in the order of the ports
};

// One verified load test: opens the ports through the namespace, checks the
// modem lines, measures latency, then sends each port's pattern while every
// receiver checks what arrives, and judges each port. `stop` (may be null)
// ends the run early, as interrupted: pending writes and reads are aborted
// within one progress interval, and the opening, modem-line check and latency
// measurement end within one short wait. Progress comes after the open, after the
// preparation and a few times a second while the ports send.
class VerifyRun {
public:
    using ProgressFn = std::function<void(const Progress&)>;

    VerifyRun(portio::DeviceNamespace& ns, std::vector<std::string> ports, std::vector<int> sources,
        VerifySettings settings, const std::atomic<bool>* stop = nullptr);
    ~VerifyRun();

    RunReport run(const ProgressFn& progress = {});
    // The index of the port whose timeline progress carries (-1: none); read
    // at each progress, so the caller may change it while the run goes on.
    void watch(const std::atomic<int>* lane) { m_watched = lane; }

private:
    void open();
    void prepare();
    void prepareGroup(const std::vector<int>& lanes);
    void load(const ProgressFn& progress);
    void send(Lane& lane);
    void receive(Lane& lane);
    bool receiverDone(Lane& lane, Clock::time_point progressAt, std::optional<Clock::time_point>& completeAt) const;
    PortReport reportFor(Lane& lane);
    std::string troubleOf(const Lane& lane) const;
    bool stopped() const { return m_stop && m_stop->load(); }
    Progress progress() const;
    PortProgress progressOf(const Lane& lane, bool watched) const;
    void abortIo();
    void chooseAvoided();
    portio::Dcb dcbFor(const Lane& lane, bool plain) const;
    void noteStreamEvents(Lane& lane, Clock::time_point now, uint64_t offset);
    void watchLineCounters(Clock::time_point now);

    portio::DeviceNamespace& m_ns;
    VerifySettings m_settings;
    const std::atomic<bool>* m_stop;
    const std::atomic<int>* m_watched = nullptr;
    std::vector<std::unique_ptr<Lane>> m_lanes;
    Clock::time_point m_start;
    Clock::time_point m_loadStart;
    bool m_loading = false;
    std::vector<uint8_t> m_avoid; // by the pattern: XON and XOFF characters in use
    std::unique_ptr<PortOpener> m_opener; // opens still under way end with the run
};

} // namespace verify
