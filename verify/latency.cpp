#include "latency.h"

#include <algorithm>

namespace verify {

using namespace portio;

namespace {

using Clock = std::chrono::steady_clock;

Status setReadLimit(Port& p, std::chrono::milliseconds timeout)
{
    CommTimeouts t;
    t.ReadTotalTimeoutConstant = uint32_t(timeout.count());
    t.WriteTotalTimeoutConstant = uint32_t(timeout.count());
    return p.setTimeouts(t);
}

Status hop(Port& from, Port& to, uint8_t byte)
{
    if (auto r = from.write(&byte, 1); !r.ok() || r.count != 1)
        return r.ok() ? makeError(ErrorCode::TimedOut, "the byte could not be sent") : r.error;
    uint8_t got = 0;
    auto r = to.read(&got, 1);
    if (!r.ok()) return r.error;
    if (r.count != 1) return makeError(ErrorCode::TimedOut, "no byte came back within the time-out");
    if (got != byte) return makeError(ErrorCode::InvalidArgument, "a different byte came back");
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

Result<LatencyStats> measureLatency(Port& out, Port& in, int samples, std::chrono::milliseconds timeout)
{
    for (Port* p : { &out, &in })
        if (auto e = setReadLimit(*p, timeout)) return e;
    if (auto e = in.purge(PURGE_RXCLEAR)) return e;
    std::vector<double> us;
    for (int i = 0; i < samples; ++i) {
        const uint8_t byte = uint8_t(0x05 + 2 * (i % 5)); // in every data width, never XON or XOFF
        const auto start = Clock::now();
        if (auto e = hop(out, in, byte)) return e;
        if (&in != &out)
            if (auto e = hop(in, out, byte)) return e;
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return summarise(std::move(us));
}

} // namespace verify
