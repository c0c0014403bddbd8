#include "telnetcodec.h"

namespace portio::telnet {

namespace {

constexpr uint8_t CR = 0x0D;

bool isVerb(uint8_t b)
{
    return b >= WILL && b <= DONT;
}

} // namespace

void Decoder::dataByte(uint8_t b, Decoded& out)
{
    const bool dropNul = m_afterCr && b == 0;
    m_afterCr = !m_binary && b == CR;
    if (!dropNul) out.data.push_back(char(b));
}

void Decoder::subByte(uint8_t b)
{
    if (m_sub.size() < kMaxSubnegotiation) m_sub.push_back(char(b));
}

void Decoder::afterIac(uint8_t b, Decoded& out)
{
    if (b == IAC) {
        m_state = State::Data;
        dataByte(b, out);
    } else if (isVerb(b)) {
        m_verb = b;
        m_state = State::Verb;
    } else if (b == SB) {
        m_sub.clear();
        m_state = State::Sub;
    } else {
        // NOP, data mark, go ahead and the like carry nothing for a serial line.
        m_state = State::Data;
    }
}

void Decoder::feed(const uint8_t* p, size_t n, Decoded& out)
{
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = p[i];
        switch (m_state) {
        case State::Data:
            if (b == IAC)
                m_state = State::Iac;
            else
                dataByte(b, out);
            break;
        case State::Iac:
            afterIac(b, out);
            break;
        case State::Verb:
            out.negotiations.push_back({ m_verb, b });
            // The peer's BINARY takes effect at once, for the rest of this piece too.
            if (b == OPT_BINARY && (m_verb == WILL || m_verb == WONT)) m_binary = m_verb == WILL;
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == IAC)
                m_state = State::SubIac;
            else
                subByte(b);
            break;
        case State::SubIac:
            if (b == IAC) {
                subByte(b);
                m_state = State::Sub;
            } else {
                // IAC SE ends it; anything else after IAC is a broken peer, and ends it too.
                out.subnegotiations.push_back(std::move(m_sub));
                out.subnegotiationAt.push_back(out.data.size());
                m_sub.clear();
                m_state = State::Data;
            }
            break;
        }
    }
}

size_t escapedLength(uint8_t b, bool binary)
{
    return b == IAC || (!binary && b == CR) ? 2 : 1;
}

void appendEscaped(std::string& wire, const uint8_t* p, size_t n, bool binary)
{
    for (size_t i = 0; i < n; ++i) {
        wire.push_back(char(p[i]));
        if (p[i] == IAC) wire.push_back(char(IAC));
        if (!binary && p[i] == CR) wire.push_back('\0');
    }
}

std::string subnegotiation(uint8_t option, const std::string& payload)
{
    std::string wire { char(IAC), char(SB), char(option) };
    appendEscaped(wire, reinterpret_cast<const uint8_t*>(payload.data()), payload.size(), true);
    wire += { char(IAC), char(SE) };
    return wire;
}

std::string negotiation(uint8_t verb, uint8_t option)
{
    return { char(IAC), char(verb), char(option) };
}

} // namespace portio::telnet
