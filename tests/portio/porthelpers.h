#pragma once

#include "portio/posix/posixport.h"
#include "tests/support/ptypair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

// Opens the slave side of a pty pair as a Port for I/O; fails the test if it cannot.
inline portio::PortPtr openSlave(const PtyPair& pty, portio::Access access = portio::Access::ReadWrite)
{
    auto port = portio::openPosixPort(pty.slavePath(), access, portio::OpenPurpose::Io);
    EXPECT_TRUE(port.ok()) << port.error().text;
    return port.ok() ? std::move(*port) : nullptr;
}

inline std::string allByteValues()
{
    std::string s(256, '\0');
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = char(i);
    return s;
}

inline double msSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

// A pty pair with its slave open as a Port.
class PtyPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port = openSlave(pty);
        ASSERT_TRUE(port);
    }

    PtyPair pty;
    portio::PortPtr port;
};
