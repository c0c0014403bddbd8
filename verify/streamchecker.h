#pragma once

#include "streamcounts.h"
#include "testpattern.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <vector>

namespace verify {

// Checks what one port receives against the pattern its expected source
// sends. Every byte is placed in a source's stream: where it is the byte
// expected next it counts as good; otherwise the checker looks ahead to see
// what happened (a corrupted byte, a gap, a repeat, bytes from earlier that
// were taken for lost, another port's frames) and goes on from there.
class StreamChecker {
public:
    // `avoid`: the characters the pattern was told to do without (see TestPattern).
    StreamChecker(int dataBits, uint32_t expectedSource, uint64_t runKey = 0, std::vector<uint8_t> avoid = {});

    void feed(const uint8_t* data, size_t n);
    // The end of the traffic: decides what is still undecided and counts what
    // the source sent beyond what arrived as lost.
    void finish(uint64_t sentBySource);

    const StreamCounts& counts() const { return m_counts; }
    uint64_t received() const { return m_received; }
    uint64_t good() const { return m_good; }
    // Bytes of the expected stream accounted for (arrived, maybe damaged).
    uint64_t reached() const { return m_high; }
    const std::optional<FirstError>& firstError() const { return m_firstError; }
    // Sources whose frames arrived here instead of the expected one's.
    const std::set<uint32_t>& foreignSources() const { return m_foreign; }

private:
    static constexpr size_t Lookahead = 40; // two frames and a bit
    static constexpr size_t Confirm = 8;
    static constexpr int64_t Window = 24;
    static constexpr size_t MaxGaps = 64;
    static constexpr uint64_t MaxLeap = 4096; // see believable()
    // How far an account of a broken stream looks (the errors it may assume,
    // the bytes it must explain) and what each error costs in it: a jump
    // ErrorCost plus its length, a damaged byte DamageCost. A byte that is
    // the next but one is taken for a lost byte before a damaged one, also
    // where nothing follows it.
    static constexpr int MaxErrors = 6;
    static constexpr size_t Horizon = 16;
    static constexpr uint32_t ErrorCost = 4;
    static constexpr uint32_t DamageCost = ErrorCost + 2;
    static constexpr uint32_t NoAccount = 1u << 20;

    void process(bool final);
    bool matches(uint32_t source, uint64_t pos, size_t at, size_t len) const;
    size_t matchRun(uint32_t source, uint64_t pos, size_t at, size_t len) const;
    size_t confirmLength(size_t at) const;
    void resolve(size_t at);
    std::optional<uint64_t> cheapestStep(size_t at) const;
    uint32_t account(uint64_t pos, size_t at, size_t end, int errors, uint32_t limit) const;
    uint32_t stepCost(
        uint64_t place, size_t at, uint32_t cost, size_t agree, size_t end, int errors, uint32_t bound) const;
    bool tryFrame(size_t at);
    bool believable(const TestPattern::Origin& origin, size_t header) const;
    void followFrame(size_t at, size_t header, TestPattern::Origin origin);
    void acceptRun(size_t n);
    void accept(uint32_t source, uint64_t pos);
    void acceptCorrupt();
    void addGap(uint64_t begin, uint64_t end);
    bool takeGap(uint64_t pos);
    void noteFirstError(size_t at);
    void consume(size_t n);

    TestPattern m_pattern;
    const uint32_t m_expected;
    uint32_t m_source; // the stream the checker is following
    uint64_t m_pos = 0; // where in it the next byte belongs
    uint64_t m_high = 0; // end of what arrived of the expected stream
    std::deque<std::pair<uint64_t, uint64_t>> m_gaps; // [begin, end) counted lost
    std::vector<uint8_t> m_pending;
    size_t m_head = 0;
    uint8_t m_history[8] {};
    uint64_t m_received = 0;
    uint64_t m_good = 0;
    uint64_t m_runSinceError = 0; // bytes that followed on since the last error
    size_t m_unexplained = 0; // errors with no run of Confirm bytes between them
    StreamCounts m_counts;
    std::optional<FirstError> m_firstError;
    std::set<uint32_t> m_foreign;
};

} // namespace verify
