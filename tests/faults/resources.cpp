#include "resources.h"

#include "tests/console/uiwait.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

int entriesIn(const char* dir)
{
    int n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

} // namespace

ResourceCounts countResources()
{
    return { entriesIn("/proc/self/fd"), entriesIn("/proc/self/task") };
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

std::string describe(const ResourceCounts& counts)
{
    return std::to_string(counts.fds) + " descriptors, " + std::to_string(counts.threads) + " threads";
}

Baseline::Baseline()
    : m_start(countResources())
{
}

bool Baseline::restored(std::chrono::milliseconds limit) const
{
    return uiWaitFor(
        [&] {
            const ResourceCounts now = countResources();
            return now.fds <= m_start.fds && now.threads <= m_start.threads;
        },
        limit);
}

std::string Baseline::report() const
{
    return "before: " + describe(m_start) + "; now: " + describe(countResources());
}

Watchdog::Watchdog(std::chrono::seconds limit)
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "a fault case";
    m_thread = std::thread([this, limit, name] {
        std::unique_lock lock(m_mutex);
        if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
            std::fprintf(stderr, "%s hung: still running after %lld s\n", name.c_str(), (long long)limit.count());
            std::abort();
        }
    });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_done.notify_all();
    m_thread.join();
}
