#include "boardfixture.h"

portio::DeviceNamespace::Config isolatedDevices()
{
    portio::DeviceNamespace::Config config;
    config.devDir = "/nonexistent-vesperline-dev";
    config.linkDir = "/nonexistent-vesperline-links";
    return config;
}

namespace {

vboard::BoardConfig smallBoard(vboard::Wiring wiring)
{
    vboard::BoardConfig config;
    config.ports = 4;
    config.wiring = wiring;
    return config;
}

} // namespace

BoardFixture::BoardFixture(vboard::Wiring wiring)
    : m_devices(isolatedDevices())
    , m_board(vboard::installVirtualBoard(m_devices, smallBoard(wiring)))
{
}

BoardFixture::~BoardFixture()
{
    m_devices.removeBoard();
}

portio::PortPtr BoardFixture::openCom(int index, portio::Access access)
{
    portio::Result<portio::PortPtr> port = m_devices.open("\\\\.\\" + comName(index), access);
    if (!port.ok()) {
        ADD_FAILURE() << "open " << comName(index) << ": " << port.error().text;
        return nullptr;
    }
    return std::move(port.value());
}
