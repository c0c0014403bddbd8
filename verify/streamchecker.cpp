#include "streamchecker.h"

#include "hexdump.h"

#include <algorithm>

namespace verify {

StreamChecker::StreamChecker(int dataBits, uint32_t expectedSource, uint64_t runKey, std::vector<uint8_t> avoid)
    : m_pattern(dataBits, runKey, std::move(avoid))
    , m_expected(expectedSource)
    , m_source(expectedSource)
{
}

void StreamChecker::feed(const uint8_t* data, size_t n)
{
    m_pending.insert(m_pending.end(), data, data + n);
    process(false);
}

void StreamChecker::finish(uint64_t sentBySource)
{
    process(true);
    if (m_high > sentBySource) { // the pattern goes on, the sender did not: extra bytes
        if (!m_firstError) {
            m_pos = sentBySource;
            noteFirstError(m_head);
        }
        m_counts.duplicate += m_high - sentBySource;
        return;
    }
    if (m_high == sentBySource) return;
    if (!m_firstError) {
        m_source = m_expected;
        m_pos = m_high;
        noteFirstError(m_head);
    }
    m_counts.lost += sentBySource - m_high;
}

void StreamChecker::process(bool final)
{
    while (m_head < m_pending.size()) {
        if (const size_t run = matchRun(m_source, m_pos, m_head, m_pending.size() - m_head)) {
            acceptRun(run);
            consume(run);
            continue;
        }
        // Deciding what went wrong needs a look at what follows.
        if (!final && m_pending.size() - m_head < Lookahead) break;
        resolve(m_head);
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + ptrdiff_t(m_head));
    m_head = 0;
}

bool StreamChecker::matches(uint32_t source, uint64_t pos, size_t at, size_t len) const
{
    return matchRun(source, pos, at, len) == len;
}

size_t StreamChecker::matchRun(uint32_t source, uint64_t pos, size_t at, size_t len) const
{
    return m_pattern.matching(source, pos, m_pending.data() + at, len);
}

size_t StreamChecker::confirmLength(size_t at) const
{
    return std::min(Confirm, m_pending.size() - at);
}

void StreamChecker::resolve(size_t at)
{
    if (!m_firstError) noteFirstError(at);
    // Past a stretch of bytes that nothing near the stream explains (another
    // rate, noise, someone else's traffic) only a frame header can tell
    // where the stream goes on; weighing every near place for each of those
    // bytes would cost more than the line brings.
    if (m_runSinceError >= Confirm) m_unexplained = 0;
    m_runSinceError = 0;
    ++m_unexplained;
    if (const auto step = m_unexplained <= Lookahead ? cheapestStep(at) : std::nullopt) {
        if (*step == m_pos) {
            acceptCorrupt();
        } else {
            accept(m_source, *step);
        }
        consume(1);
        return;
    }
    if (tryFrame(at)) return;
    acceptCorrupt();
    consume(1);
}

// Where the byte at `at` belongs, near where the stream was: at m_pos but
// damaged, or at another place after a gap or a repeat. Several errors close
// together (bytes lost a few apart) leave short runs between them, so each
// choice is judged by the cheapest account of the bytes that follow it, and
// the cheapest wins: every error costs the same, and a jump its length on
// top, so that a near place beats a far one that a frame header or a small
// data width matches by chance, while one repeated stretch still beats a
// handful of damaged bytes.
std::optional<uint64_t> StreamChecker::cheapestStep(size_t at) const
{
    const size_t end = std::min(m_pending.size(), at + Horizon);
    std::optional<uint64_t> best;
    uint32_t bestCost = stepCost(m_pos + 1, at + 1, DamageCost, 0, end, MaxErrors - 1, NoAccount);
    if (bestCost < NoAccount) best = m_pos;
    for (int64_t k = 1; k <= 2 * Window; ++k) {
        const int64_t q = int64_t(m_pos) + (k % 2 ? (k + 1) / 2 : -k / 2);
        if (q < 0) continue;
        const uint32_t cost
            = stepCost(uint64_t(q), at, ErrorCost + uint32_t((k + 1) / 2), 1, end, MaxErrors - 1, bestCost);
        if (cost < bestCost) {
            bestCost = cost;
            best = uint64_t(q);
        }
    }
    return best;
}

// The cheapest account of the bytes from `at` on, given that the byte at
// `at` is the stream's byte at `pos`: 0 when they follow on up to `end` and
// for a few bytes at least, else what the next error and what follows it
// cost. NoAccount when nothing within `errors` more errors and below `limit`
// explains them. Every choice is weighed up to the same `end`, so that one
// whose run happens to stop short of the next error is not the cheaper. A
// jump further on needs two bytes to agree: in five data bits one agrees by
// chance at some place nearly every time.
uint32_t StreamChecker::account(uint64_t pos, size_t at, size_t end, int errors, uint32_t limit) const
{
    if (at >= m_pending.size()) return 0;
    const size_t len = std::max(confirmLength(at), end > at ? end - at : 0);
    const size_t run = matchRun(m_source, pos, at, len);
    if (run == len) return 0;
    const size_t next = at + run;
    if (next + 1 == m_pending.size()) return ErrorCost; // a last byte that differs: decided when more came
    if (errors == 0) return NoAccount;
    const uint64_t p = pos + run;
    uint32_t best = stepCost(p + 1, next + 1, DamageCost, 0, end, errors - 1, limit);
    for (int64_t d = -Window; d <= Window; ++d) {
        const int64_t q = int64_t(p) + d;
        if (!d || q < 0) continue;
        const uint32_t cost = ErrorCost + uint32_t(d < 0 ? -d : d);
        best = std::min(best, stepCost(uint64_t(q), next, cost, 2, end, errors - 1, std::min(best, limit)));
    }
    return best;
}

// One step of an account: the byte at `at` taken for the stream's byte at
// `place`, for `cost`, when its first `agree` bytes match there, plus the
// account of what follows. NoAccount when that comes to `bound` or more.
uint32_t StreamChecker::stepCost(
    uint64_t place, size_t at, uint32_t cost, size_t agree, size_t end, int errors, uint32_t bound) const
{
    if (cost >= bound || matchRun(m_source, place, at, agree) < agree) return NoAccount;
    const uint32_t rest = account(place, at, end, errors, bound - cost);
    return rest < NoAccount ? cost + rest : NoAccount;
}

// Anything else (a long gap, another port's data): a frame header further on
// says whose stream this is and where.
bool StreamChecker::tryFrame(size_t at)
{
    for (size_t j = at; j + 13 <= m_pending.size(); ++j) {
        const auto origin = m_pattern.frameAt(&m_pending[j], m_pending.size() - j);
        if (origin && believable(*origin, j)) {
            followFrame(at, j, *origin);
            return true;
        }
    }
    return false;
}

// A header damaged in two places can pass its check nibble and name a frame
// far beyond anything sent; taken at its word it would count billions of
// bytes lost, or follow a port that does not exist. A sender is not much
// faster than its receiver, so a frame further on than twice what arrived
// counts only when the next frame agrees with it.
bool StreamChecker::believable(const TestPattern::Origin& origin, size_t header) const
{
    if (origin.offset <= MaxLeap + 2 * (m_received + header)) return true;
    const size_t next = header + TestPattern::FrameSize;
    if (next >= m_pending.size()) return false;
    const auto second = m_pattern.frameAt(&m_pending[next], m_pending.size() - next);
    return second && second->source == origin.source && second->offset == origin.offset + TestPattern::FrameSize;
}

// The bytes before the header that continue into it belong to the same
// stream; those before them are damaged.
void StreamChecker::followFrame(size_t at, size_t header, TestPattern::Origin origin)
{
    size_t k = 0;
    while (k < header - at) {
        const uint64_t back = header - at - k;
        if (back <= origin.offset && matches(origin.source, origin.offset - back, at + k, back)) break;
        ++k;
    }
    if (origin.source != m_expected) m_foreign.insert(origin.source);
    m_source = origin.source;
    const uint64_t next = origin.offset - (header - at - k);
    m_pos = next >= k ? next - k : 0;
    for (size_t i = 0; i < k; ++i)
        acceptCorrupt();
    consume(k);
    m_pos = next;
}

// Bytes that continue the stream where it is; in the usual case, the next
// ones of the expected stream, counted at once.
void StreamChecker::acceptRun(size_t n)
{
    m_runSinceError += n;
    if (m_source != m_expected || m_pos != m_high) {
        for (size_t i = 0; i < n; ++i)
            accept(m_source, m_pos);
        return;
    }
    m_good += n;
    m_high += n;
    m_pos += n;
}

void StreamChecker::accept(uint32_t source, uint64_t pos)
{
    if (source != m_expected) {
        ++m_counts.misrouted;
        m_foreign.insert(source);
    } else if (pos >= m_high) {
        if (pos > m_high) addGap(m_high, pos);
        ++m_good;
        m_high = pos + 1;
    } else if (takeGap(pos)) {
        ++m_counts.reordered;
    } else {
        ++m_counts.duplicate;
    }
    m_source = source;
    m_pos = pos + 1;
}

// A damaged byte still takes its place in the stream.
void StreamChecker::acceptCorrupt()
{
    if (m_source != m_expected) {
        ++m_counts.misrouted;
    } else {
        ++m_counts.corrupt;
        if (m_pos > m_high) addGap(m_high, m_pos);
        m_high = std::max(m_high, m_pos + 1);
    }
    ++m_pos;
}

void StreamChecker::addGap(uint64_t begin, uint64_t end)
{
    m_counts.lost += end - begin;
    m_gaps.emplace_back(begin, end);
    if (m_gaps.size() > MaxGaps) m_gaps.pop_front();
}

// A byte taken for lost arrives after all: it was out of order.
bool StreamChecker::takeGap(uint64_t pos)
{
    for (auto it = m_gaps.begin(); it != m_gaps.end(); ++it) {
        auto [begin, end] = *it;
        if (pos < begin || pos >= end) continue;
        --m_counts.lost;
        m_gaps.erase(it);
        if (pos > begin) m_gaps.emplace_back(begin, pos);
        if (pos + 1 < end) m_gaps.emplace_back(pos + 1, end);
        return true;
    }
    return false;
}

void StreamChecker::noteFirstError(size_t at)
{
    const size_t before = size_t(std::min<uint64_t>({ m_received, m_pos, 8 }));
    uint8_t expected[16];
    m_pattern.fill(m_source, m_pos - before, expected, before + 8);
    std::vector<uint8_t> got(m_history + 8 - std::min<uint64_t>(m_received, 8), m_history + 8);
    got.erase(got.begin(), got.end() - ptrdiff_t(std::min(before, got.size())));
    const size_t after = std::min<size_t>(8, m_pending.size() - at);
    got.insert(got.end(), m_pending.begin() + ptrdiff_t(at), m_pending.begin() + ptrdiff_t(at + after));
    m_firstError = FirstError { m_received, hexBytes(expected, before + 8), hexBytes(got.data(), got.size()) };
}

void StreamChecker::consume(size_t n)
{
    const size_t keep = n >= 8 ? 0 : 8 - n;
    std::copy(m_history + 8 - keep, m_history + 8, m_history);
    std::copy(m_pending.begin() + ptrdiff_t(m_head + n - (8 - keep)), m_pending.begin() + ptrdiff_t(m_head + n),
        m_history + keep);
    m_head += n;
    m_received += n;
}

} // namespace verify
