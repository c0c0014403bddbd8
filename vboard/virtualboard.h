#pragma once

#include "boardconfig.h"
#include "standindriver.h"

#include "portio/portprovider.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vboard {

class BoardCore;
class LineEngine;
class PtyBridge;

// Modem output levels of a port as the far end sees them.
struct ModemOutputs {
    bool dtr = false;
    bool rts = false;
};

// A multiport board simulated in the process: ports "vboard:0" ... served to
// the device namespace as COM<first> ..., one engine thread pacing every
// line, a stand-in for the board driver, and controls for tests.
class VirtualBoard final : public portio::PortProvider {
public:
    explicit VirtualBoard(const BoardConfig& config = {});
    ~VirtualBoard() override;
    VirtualBoard(const VirtualBoard&) = delete;
    VirtualBoard& operator=(const VirtualBoard&) = delete;

    const BoardConfig& config() const { return m_config; }
    int portCount() const { return m_config.ports; }
    static std::string target(int index);
    std::string comName(int index) const;
    // COM name -> target, for DeviceNamespace::installBoard().
    std::map<std::string, std::string> names() const;

    portio::Result<portio::PortPtr> open(
        int index, portio::Access access, portio::OpenPurpose purpose = portio::OpenPurpose::Io);
    bool owns(std::string_view target) const override;
    portio::Result<portio::PortPtr> open(
        std::string_view target, portio::Access access, portio::OpenPurpose purpose) override;

    // Where dump-UART requests write the port's registers (default: nowhere).
    void setDebugSink(std::function<void(std::string)> sink);
    // Exposed ports (expose=COMn-COMm): the pseudo-terminal of a port's far
    // end (empty when not exposed), and the first problem setting them up.
    std::string exposedPath(int index) const;
    portio::Status exposeStatus() const;

    // CPU time of the engine thread so far.
    std::chrono::nanoseconds engineCpuTime() const;

    // Test controls. An unplugged port fails pending and later calls on its
    // handle with DeviceGone and refuses opens until it is plugged back.
    void unplug(int index);
    void replug(int index);
    void failNextOpens(int index, int count = 1);
    void failNextRequests(int index, int count = 1);
    // The next modem-status queries fail as a flaky driver's would (not "gone").
    void failNextModemQueries(int index, int count = 1);
    // Bytes arriving from outside, under the port's overrun rules.
    void injectReceived(int index, const void* data, size_t n);
    void injectErrors(int index, uint32_t ceFlags);
    std::vector<DriverRequest> requests(int index) const;
    void clearRequests(int index);
    portio::Dcb dcb(int index) const;
    ModemOutputs modemOutputs(int index) const;
    StandInDriver driverState(int index) const;
    // How often threads waiting on the port to read or for an event, and to
    // write, were woken so far.
    uint64_t readerWakeUps(int index) const;
    uint64_t writerWakeUps(int index) const;

private:
    static int indexOf(std::string_view target);
    template <class F> auto withPort(int index, F f) const;

    BoardConfig m_config;
    std::shared_ptr<BoardCore> m_core;
    std::unique_ptr<LineEngine> m_engine;
    std::unique_ptr<PtyBridge> m_bridge;
};

} // namespace vboard
