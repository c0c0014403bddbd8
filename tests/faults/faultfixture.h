#pragma once

#include "resources.h"

#include "portio/devicenamespace.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/testdevices.h"
#include "vboard/boardinstall.h"
#include "vboard/virtualboard.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

// A fault case: a watchdog against hangs, the fake message boxes, and a
// virtual board installed on demand (removed again afterwards).
class FaultTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (board) testDevices().removeBoard();
    }

    void installBoard(int ports, vboard::Wiring wiring = vboard::Wiring::Loopback)
    {
        vboard::BoardConfig config;
        config.ports = ports;
        config.wiring = wiring;
        board = vboard::installVirtualBoard(testDevices(), config);
    }
    static bool openable(const char* com)
    {
        auto port = testDevices().open(com, portio::Access::ReadWrite);
        if (port.ok()) port.value()->close();
        return port.ok();
    }
    static std::string fileContent(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream got;
        got << in.rdbuf();
        return got.str();
    }

    Watchdog watchdog { std::chrono::seconds(60) };
    FakeUiServices ui;
    std::shared_ptr<vboard::VirtualBoard> board;
};
