#include "telnetoptions.h"

#include <algorithm>

namespace portio::telnet {

Options::Options(std::initializer_list<uint8_t> ours, std::initializer_list<uint8_t> theirs)
{
    for (uint8_t o : ours)
        m_ours.wanted[o] = true;
    for (uint8_t o : theirs)
        m_theirs.wanted[o] = true;
}

std::string Options::start()
{
    std::string wire;
    for (int o = 0; o < 256; ++o) {
        if (m_ours.wanted[o] && m_ours.state[o] == State::No) {
            m_ours.state[o] = State::Asked;
            wire += negotiation(WILL, uint8_t(o));
        }
        if (m_theirs.wanted[o] && m_theirs.state[o] == State::No) {
            m_theirs.state[o] = State::Asked;
            wire += negotiation(DO, uint8_t(o));
        }
    }
    return wire;
}

// `yes`/`no` are the verbs this end answers with (WILL/WONT or DO/DONT).
std::string Options::answer(Side& side, uint8_t option, bool enable, uint8_t yes, uint8_t no)
{
    State& s = side.state[option];
    if (!enable) {
        const bool wasOn = s == State::Yes;
        s = State::No;
        return wasOn ? negotiation(no, option) : std::string();
    }
    if (s == State::Yes) return {};
    if (s == State::Asked) {
        s = State::Yes;
        return {};
    }
    if (!side.wanted[option]) return negotiation(no, option);
    s = State::Yes;
    return negotiation(yes, option);
}

std::string Options::receive(Negotiation n)
{
    switch (n.verb) {
    case DO:
    case DONT:
        return answer(m_ours, n.option, n.verb == DO, WILL, WONT);
    default:
        return answer(m_theirs, n.option, n.verb == WILL, DO, DONT);
    }
}

bool Options::settled() const
{
    const auto asked = [](State s) { return s == State::Asked; };
    return std::none_of(m_ours.state.begin(), m_ours.state.end(), asked)
        && std::none_of(m_theirs.state.begin(), m_theirs.state.end(), asked);
}

} // namespace portio::telnet
