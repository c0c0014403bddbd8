#include "contract.h"

#include "tests/support/waitfor.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace contract {

namespace {

std::vector<BackendEntry>& registry()
{
    static std::vector<BackendEntry> entries;
    return entries;
}

} // namespace

const std::vector<BackendEntry>& backends()
{
    return registry();
}

RegisterBackend::RegisterBackend(std::string name, std::function<std::unique_ptr<Backend>()> make)
{
    registry().push_back({ std::move(name), std::move(make) });
}

void PortContract::SetUp()
{
    backend = GetParam().make();
    if (const auto why = backend->unavailable(); !why.empty()) GTEST_SKIP() << why;
    auto opened = backend->open();
    ASSERT_TRUE(opened.ok()) << opened.error().text;
    port = std::move(*opened);
}

void PortContract::TearDown()
{
    port.reset();
    backend.reset();
}

bool PortContract::waitInQueue(uint32_t n)
{
    return waitFor([&] {
        auto stat = port->clearCommError();
        return stat.ok() && stat->cbInQue == n;
    });
}

Blocking::Blocking(std::function<void()> call)
    : m_thread([this, call = std::move(call)] {
        call();
        m_returned = true;
    })
{
}

Blocking::~Blocking()
{
    join("a blocking call");
}

void Blocking::join(const char* what, std::chrono::seconds limit)
{
    if (!m_thread.joinable()) return;
    if (!waitFor([&] { return m_returned.load(); }, limit)) {
        std::fprintf(stderr, "FAILED: %s did not return within %lld s (a hang)\n", what, (long long)limit.count());
        std::fflush(nullptr);
        std::_Exit(1);
    }
    m_thread.join();
}

std::string largeBlock()
{
    std::string s(16u << 20, '\0');
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = char('A' + (i / 7) % 26); // no byte a protocol escapes
    return s;
}

// A backend shows as its name in test listings and failures, not as the bytes
// of the entry (which held addresses, so the listed names changed per run).
void PrintTo(const BackendEntry& entry, std::ostream* os)
{
    *os << entry.name;
}

INSTANTIATE_TEST_SUITE_P(Backends, PortContract, ::testing::ValuesIn(backends()),
    [](const ::testing::TestParamInfo<BackendEntry>& info) { return info.param.name; });

} // namespace contract
