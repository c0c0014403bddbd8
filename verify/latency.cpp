#include "latency.h"

#include <algorithm>

namespace verify {

using namespace portio;

namespace {

using Clock = std::chrono::steady_clock;

// One read or write waits at most this long before the stop flag is looked
// at again: a byte that never comes back must not hold up a stopped run.
constexpr std::chrono::milliseconds Slice { 50 };

// The wait of one hop, in slices, until its deadline or a stop.
class HopWait {
public:
    HopWait(std::chrono::milliseconds timeout, const std::atomic<bool>* stop)
        : m_end(Clock::now() + timeout)
        , m_stop(stop)
    {
    }
    bool over() const { return Clock::now() >= m_end; }
    bool stopped() const { return m_stop && m_stop->load(); }

private:
    Clock::time_point m_end;
    const std::atomic<bool>* m_stop;
};

Status setSliceLimit(Port& p, std::chrono::milliseconds timeout)
{
    const auto slice = std::min(timeout, Slice);
    CommTimeouts t;
    t.ReadTotalTimeoutConstant = uint32_t(slice.count());
    t.WriteTotalTimeoutConstant = uint32_t(slice.count());
    return p.setTimeouts(t);
}

Status stoppedError()
{
    return makeError(ErrorCode::Aborted, "the run was stopped");
}

Status sendByte(Port& from, uint8_t byte, const HopWait& wait)
{
    for (;;) {
        const IoResult r = from.write(&byte, 1);
        if (r.count == 1) return okStatus();
        if (!r.ok() && r.error.code != ErrorCode::TimedOut) return r.error;
        if (wait.stopped()) return stoppedError();
        if (wait.over()) return makeError(ErrorCode::TimedOut, "the byte could not be sent");
    }
}

Result<uint8_t> receiveByte(Port& to, const HopWait& wait)
{
    for (;;) {
        uint8_t got = 0;
        const IoResult r = to.read(&got, 1);
        if (r.count == 1) return got;
        if (!r.ok() && r.error.code != ErrorCode::TimedOut) return r.error;
        if (wait.stopped()) return stoppedError();
        if (wait.over()) return makeError(ErrorCode::TimedOut, "no byte came back within the time-out");
    }
}

Status hop(Port& from, Port& to, uint8_t byte, std::chrono::milliseconds timeout, const std::atomic<bool>* stop)
{
    const HopWait wait(timeout, stop);
    if (auto e = sendByte(from, byte, wait)) return e;
    auto got = receiveByte(to, wait);
    if (!got) return got.error();
    if (*got != byte) return makeError(ErrorCode::InvalidArgument, "a different byte came back");
    return okStatus();
}

} // namespace

LatencyStats summarise(std::vector<double> samplesUs)
{
    if (samplesUs.empty()) return {};
    std::sort(samplesUs.begin(), samplesUs.end());
    const size_t n = samplesUs.size();
    const double median = n % 2 ? samplesUs[n / 2] : (samplesUs[n / 2 - 1] + samplesUs[n / 2]) / 2;
    const size_t p99 = std::min(n - 1, size_t((n * 99 + 99) / 100) - 1);
    return { median, samplesUs[p99] };
}

Result<LatencyStats> measureLatency(
    Port& out, Port& in, int samples, std::chrono::milliseconds timeout, const std::atomic<bool>* stop)
{
    for (Port* p : { &out, &in })
        if (auto e = setSliceLimit(*p, timeout)) return e;
    if (auto e = in.purge(PURGE_RXCLEAR)) return e;
    std::vector<double> us;
    for (int i = 0; i < samples; ++i) {
        const uint8_t byte = uint8_t(0x05 + 2 * (i % 5)); // in every data width, never XON or XOFF
        const auto start = Clock::now();
        if (auto e = hop(out, in, byte, timeout, stop)) return e;
        if (&in != &out)
            if (auto e = hop(in, out, byte, timeout, stop)) return e;
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return summarise(std::move(us));
}

} // namespace verify
