#pragma once

#include "comfixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

// A case on the COM pair: the near port open for I/O, the far end ready.
class ComTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (auto why = ComPair::unavailable(); !why.empty()) GTEST_SKIP() << why;
        m_pair = std::make_unique<ComPair>();
        auto port = m_pair->open();
        ASSERT_TRUE(port) << port.error().text;
        m_port = std::move(*port);
        ASSERT_TRUE(m_port->purge(portio::PURGE_ALL).ok());
    }
    void TearDown() override
    {
        if (m_port) m_port->close();
    }

    portio::Port& port() { return *m_port; }
    // Whether a call running in `f` ends within the limit; if not, the port
    // is closed so that the call cannot outlive the case.
    template <class F> bool endsWithin(F& f, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        if (f.wait_for(limit) == std::future_status::ready) return true;
        m_port->close();
        return false;
    }
    ComPair& pair() { return *m_pair; }

    std::unique_ptr<ComPair> m_pair;
    portio::PortPtr m_port;
};

// Why a Wine pseudo-terminal could not do something; cases skip with it.
inline std::string wineLimit(const std::string& what, const portio::PortError& e)
{
    return what + " is not available on this port (Wine's serial emulation on a pseudo-terminal): " + e.text;
}
