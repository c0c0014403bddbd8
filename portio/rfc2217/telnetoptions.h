#pragma once

#include "telnetcodec.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace portio::telnet {

// Option negotiation without loops: a side answers only a request that would
// change an option's state, and never asks again for what it has asked.
class Options {
public:
    // `ours`: options this end offers (WILL); `theirs`: options it asks the
    // peer for (DO). Every other option is refused.
    Options(std::initializer_list<uint8_t> ours, std::initializer_list<uint8_t> theirs);

    // The requests this end opens with.
    std::string start();
    // The answer to a request of the peer (empty when none is due).
    std::string receive(Negotiation n);

    bool ours(uint8_t option) const { return m_ours.state[option] == State::Yes; }
    bool theirs(uint8_t option) const { return m_theirs.state[option] == State::Yes; }
    // True once no request of this end is waiting for its answer.
    bool settled() const;

private:
    enum class State : uint8_t { No, Yes, Asked };
    struct Side {
        std::array<State, 256> state {};
        std::array<bool, 256> wanted {};
    };
    static std::string answer(Side& side, uint8_t option, bool enable, uint8_t yes, uint8_t no);

    Side m_ours;
    Side m_theirs;
};

} // namespace portio::telnet
