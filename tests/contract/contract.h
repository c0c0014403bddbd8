#pragma once

#include "backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace contract {

// A case of the port contract: runs once per registered backend, with an
// opened port and the backend as the far end.
class PortContract : public ::testing::TestWithParam<BackendEntry> {
protected:
    void SetUp() override;
    void TearDown() override;

    // Waits until the port has exactly n bytes waiting.
    bool waitInQueue(uint32_t n);
    void setTimeouts(const portio::CommTimeouts& t) { ASSERT_FALSE(port->setTimeouts(t)); }

    std::unique_ptr<Backend> backend;
    portio::PortPtr port;
};

// Runs a call that is meant to block in a thread of its own. A call that does
// not come back within the limit is a hang: the program reports it and ends,
// as nothing can go on with a thread stuck in the port.
class Blocking {
public:
    explicit Blocking(std::function<void()> call);
    ~Blocking();
    Blocking(const Blocking&) = delete;
    Blocking& operator=(const Blocking&) = delete;

    bool returned() const { return m_returned; }
    // Waits for the call to come back; ends the program on a hang.
    void join(const char* what, std::chrono::seconds limit = std::chrono::seconds(10));

private:
    std::atomic<bool> m_returned { false };
    std::thread m_thread;
};

// A block no backend sends in the time of a test (the far end reads only
// what the case asks for), as bytes that tell their position.
std::string largeBlock();

} // namespace contract
