#include "streamchecker.h"

#include "hexdump.h"

#include <algorithm>

namespace verify {

StreamChecker::StreamChecker(int dataBits, uint32_t expectedSource, uint64_t runKey)
    : m_pattern(dataBits, runKey)
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
        resolve(m_head, final);
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

void StreamChecker::resolve(size_t at, bool final)
{
    if (!m_firstError) noteFirstError(at);
    const bool last = at + 1 == m_pending.size();
    if (last || matches(m_source, m_pos + 1, at + 1, confirmLength(at + 1))) {
        acceptCorrupt();
        consume(1);
        return;
    }
    if (tryJump(at) || tryFrame(at)) return;
    acceptCorrupt();
    consume(1);
}

// A gap or a repeat near where the stream was: the next bytes continue the
// same stream from another place. When a second error follows within the
// bytes that would confirm the place, the place counts if a second jump or
// a damaged byte explains what comes after it.
bool StreamChecker::tryJump(size_t at)
{
    const size_t len = confirmLength(at);
    for (bool partial : { false, true }) {
        for (int64_t k = 1; k <= 2 * Window; ++k) {
            const int64_t q = int64_t(m_pos) + (k % 2 ? (k + 1) / 2 : -k / 2);
            if (q < 0) continue;
            const size_t run = matchRun(m_source, uint64_t(q), at, len);
            if (run == len || (partial && run >= 2 && explained(uint64_t(q) + run, at + run))) {
                accept(m_source, uint64_t(q));
                consume(1);
                return true;
            }
        }
    }
    return false;
}

bool StreamChecker::explained(uint64_t pos, size_t at) const
{
    if (at + 1 >= m_pending.size()) return true;
    if (matches(m_source, pos + 1, at + 1, confirmLength(at + 1))) return true;
    for (int64_t d = -Window; d <= Window; ++d) {
        const int64_t q = int64_t(pos) + d;
        if (d && q >= 0 && matches(m_source, uint64_t(q), at, confirmLength(at))) return true;
    }
    return false;
}

// Anything else (a long gap, another port's data): a frame header further on
// says whose stream this is and where.
bool StreamChecker::tryFrame(size_t at)
{
    for (size_t j = at; j + 13 <= m_pending.size(); ++j) {
        if (const auto origin = m_pattern.frameAt(&m_pending[j], m_pending.size() - j)) {
            followFrame(at, j, *origin);
            return true;
        }
    }
    return false;
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
