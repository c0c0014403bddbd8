#pragma once

#include "recorder.h"

#include "portio/devicenamespace.h"
#include "vboard/boardinstall.h"
#include "vboard/virtualboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A namespace that sees neither the host's device nodes nor the user's links.
portio::DeviceNamespace::Config isolatedDevices();

// A small virtual board served as COM3 ... COM6 in a namespace of its own,
// with the host's device nodes kept out of the way.
class BoardFixture : public ::testing::Test {
protected:
    explicit BoardFixture(vboard::Wiring wiring = vboard::Wiring::Loopback);
    ~BoardFixture() override;

    portio::PortPtr openCom(int index, portio::Access access = portio::Access::ReadWrite);
    std::string comName(int index) const { return m_board->comName(index); }
    std::vector<vboard::DriverRequest> requests(int index) const { return m_board->requests(index); }

    portio::DeviceNamespace m_devices;
    std::shared_ptr<vboard::VirtualBoard> m_board;
    Recorder m_shown;
};
