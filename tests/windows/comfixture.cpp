#include "comfixture.h"

#include "portio/win32/win32port.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

using namespace portio;

namespace {

std::string pairName(int which)
{
    const char* env = std::getenv("VESPERLINE_COM_PAIR");
    const std::string pair = env ? env : "";
    const auto comma = pair.find(',');
    if (comma == std::string::npos) return {};
    return which == 0 ? pair.substr(0, comma) : pair.substr(comma + 1);
}

// The far end reads in whatever pieces come, each within the limit.
CommTimeouts farTimeouts(std::chrono::milliseconds limit)
{
    CommTimeouts t;
    t.ReadTotalTimeoutConstant = uint32_t(limit.count());
    t.WriteTotalTimeoutConstant = 5000;
    return t;
}

// Reads until `marker` has come, or the limit passes; false then.
bool readThrough(Port& port, const std::string& marker, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    (void)port.setTimeouts(farTimeouts(std::chrono::milliseconds(100)));
    std::string tail;
    char buf[4096];
    while (std::chrono::steady_clock::now() < end) {
        const auto r = port.read(buf, sizeof buf);
        if (!r.ok()) return false;
        tail.append(buf, r.count);
        if (tail.find(marker) != std::string::npos) return true;
        if (tail.size() > marker.size()) tail.erase(0, tail.size() - marker.size());
    }
    return false;
}

// Bytes no case sends, numbered so that a marker of an earlier clearing
// never ends a later one.
std::string nextMarker()
{
    static int clearings = 0;
    return "\x01\xFEclear " + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++clearings) + "\xFE\x02";
}

} // namespace

std::string ComPair::unavailable()
{
    if (pairName(1).empty())
        return "no COM pair to test on: VESPERLINE_COM_PAIR (set by scripts/test-windows, e.g. COM5,COM6) is not set";
    return {};
}

std::string ComPair::nearPath()
{
    return "\\\\.\\" + pairName(0);
}

std::string ComPair::farPath()
{
    return "\\\\.\\" + pairName(1);
}

ComPair::ComPair()
{
    auto opened = openWin32Port(farPath(), Access::ReadWrite, OpenPurpose::Io);
    if (!opened) throw std::runtime_error("cannot open the far port " + farPath() + ": " + opened.error().text);
    m_far = std::move(*opened);
    (void)m_far->purge(PURGE_ALL); // nothing left from an earlier case
}

ComPair::~ComPair()
{
    m_far->close();
}

Result<PortPtr> ComPair::open()
{
    return openWin32Port(nearPath(), Access::ReadWrite, OpenPurpose::Io);
}

bool ComPair::farWrite(std::string_view bytes)
{
    (void)m_far->setTimeouts(farTimeouts(std::chrono::seconds(5)));
    return m_far->write(bytes.data(), bytes.size()).count == bytes.size();
}

std::string ComPair::farRead(size_t n, std::chrono::milliseconds limit)
{
    (void)m_far->setTimeouts(farTimeouts(limit));
    std::string got(n, '\0');
    const auto r = m_far->read(got.data(), n);
    got.resize(r.count);
    return got;
}

bool ComPair::clearLine(Port& nearPort)
{
    const std::string toFar = nextMarker();
    (void)nearPort.setTimeouts(farTimeouts(std::chrono::seconds(5)));
    if (nearPort.write(toFar.data(), toFar.size()).count != toFar.size()) return false;
    if (!readThrough(*m_far, toFar, std::chrono::seconds(10))) return false;
    const std::string toNear = nextMarker();
    return farWrite(toNear) && readThrough(nearPort, toNear, std::chrono::seconds(10));
}

std::string patternBytes(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char((i * 7 + i / 256) & 0xFF);
    return s;
}
