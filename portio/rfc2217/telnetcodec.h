#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The byte level of the Telnet protocol: commands start with IAC (0xFF), a
// data byte 0xFF travels as IAC IAC, subnegotiations are IAC SB ... IAC SE.
namespace portio::telnet {

constexpr uint8_t IAC = 255;
constexpr uint8_t DONT = 254;
constexpr uint8_t DO = 253;
constexpr uint8_t WONT = 252;
constexpr uint8_t WILL = 251;
constexpr uint8_t SB = 250;
constexpr uint8_t SE = 240;

constexpr uint8_t OPT_BINARY = 0;
constexpr uint8_t OPT_SGA = 3;

struct Negotiation {
    uint8_t verb; // WILL, WONT, DO or DONT
    uint8_t option;
};

// What one piece of the incoming stream held, in order within each kind.
struct Decoded {
    std::string data;
    std::vector<Negotiation> negotiations;
    std::vector<std::string> subnegotiations; // option byte first, IAC IAC undone
    // For each subnegotiation, how much of `data` came before its end: what a
    // command means for the data (a purge) depends on where it stood.
    std::vector<size_t> subnegotiationAt;
};

// Splits the incoming stream into data and commands; keeps its state across
// pieces, so a command may be split anywhere.
class Decoder {
public:
    void feed(const uint8_t* p, size_t n, Decoded& out);
    // Without the peer's BINARY option, a CR is followed by a NUL that is not
    // data. The decoder follows the peer's WILL/WONT BINARY itself (this end
    // always agrees to it); setBinary() is for a stream that starts in it.
    void setBinary(bool on) { m_binary = on; }

    // Longest subnegotiation kept; a server that never ends one cannot make
    // this end hold more (the rest of it is dropped).
    static constexpr size_t kMaxSubnegotiation = 1024;

private:
    enum class State : uint8_t { Data, Iac, Verb, Sub, SubIac };
    void subByte(uint8_t b);
    void dataByte(uint8_t b, Decoded& out);
    void afterIac(uint8_t b, Decoded& out);

    State m_state = State::Data;
    uint8_t m_verb = 0;
    bool m_binary = false;
    bool m_afterCr = false;
    std::string m_sub;
};

// How many bytes the data byte takes on the wire.
size_t escapedLength(uint8_t b, bool binary);
// Appends data bytes as they go on the wire: IAC doubled, and CR followed by
// NUL when the BINARY option is off.
void appendEscaped(std::string& wire, const uint8_t* p, size_t n, bool binary);
// IAC SB option payload IAC SE, with IAC in the payload doubled.
std::string subnegotiation(uint8_t option, const std::string& payload);
std::string negotiation(uint8_t verb, uint8_t option);

} // namespace portio::telnet
