// Requests to the server and their answers. Answers to SET-CONTROL share one
// code, servers may answer late, and some requests (the DTR and RTS levels of
// a setting) are not waited for: each answer goes to the oldest request it can
// answer, preferring one that asked for exactly the value answered, so that a
// late answer is absorbed by its own request instead of passing for the next.
#include "rfc2217codes.h"
#include "rfc2217port.h"

#include <algorithm>

namespace portio {

namespace {

constexpr auto kAnswerLimit = std::chrono::seconds(2);
// An answer that has not come in this time is not coming; its request is forgotten.
constexpr auto kForgetAfter = std::chrono::seconds(10);

bool answers(const std::string& request, uint8_t code, const std::string& value)
{
    if (code != rfc2217::SET_CONTROL) return true;
    if (request.empty() || value.empty()) return request.empty() && value.empty();
    return rfc2217::controlFamily(uint8_t(request[0])) == rfc2217::controlFamily(uint8_t(value[0]));
}

} // namespace

// Expects m_mutex held.
uint64_t Rfc2217Port::expect(uint8_t code, const std::string& value, bool awaited)
{
    const auto now = Clock::now();
    std::erase_if(m_requests, [&](const Request& r) { return !r.awaited && now - r.sent > kForgetAfter; });
    m_requests.push_back({ ++m_lastRequest, code, value, awaited, now, std::nullopt });
    return m_lastRequest;
}

// Expects m_mutex held.
void Rfc2217Port::matchAnswer(uint8_t code, const std::string& value)
{
    auto best = m_requests.end();
    for (auto it = m_requests.begin(); it != m_requests.end(); ++it) {
        if (it->code != code || it->answer || !answers(it->value, code, value)) continue;
        if (it->value == value) {
            best = it;
            break;
        }
        if (best == m_requests.end()) best = it;
    }
    if (best == m_requests.end()) return; // an answer to nothing we asked
    if (best->awaited)
        best->answer = value;
    else
        m_requests.erase(best);
}

// Expects m_mutex held.
bool Rfc2217Port::answerAwaited() const
{
    return std::any_of(m_requests.begin(), m_requests.end(), [](const Request& r) { return r.awaited && !r.answer; });
}

Status Rfc2217Port::sendCommand(uint8_t code, const std::string& value)
{
    {
        std::lock_guard lock(m_mutex);
        (void)expect(code, value, false);
    }
    return transmit(code, value);
}

Result<std::string> Rfc2217Port::ask(uint8_t code, const std::string& value, const std::string& what)
{
    uint64_t id;
    {
        std::lock_guard lock(m_mutex);
        id = expect(code, value, true);
    }
    m_cv.notify_all(); // a receiver held back by a full input queue reads on to the answer
    Status sent = transmit(code, value);
    Lock lock(m_mutex);
    const auto mine
        = [&] { return std::find_if(m_requests.begin(), m_requests.end(), [&](auto& r) { return r.id == id; }); };
    if (sent.ok())
        m_cv.wait_until(lock, Clock::now() + kAnswerLimit, [&] { return m_closing || m_gone || mine()->answer; });
    const auto it = mine();
    if (it->answer) {
        std::string answer = std::move(*it->answer);
        m_requests.erase(it);
        return answer;
    }
    // A late answer still finds its request and is absorbed by it.
    it->awaited = false;
    if (!sent.ok()) return sent;
    if (m_closing) return closedError();
    if (m_gone) return *m_gone;
    return makeError(ErrorCode::TimedOut, "the server at " + m_where + " did not answer " + what);
}

} // namespace portio
