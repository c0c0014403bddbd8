// Two programs exposing the same board port: the second refuses it and
// names the first; a lock left by a program that was killed is taken over.
#include "cliprocess.h"
#include "runtimedir.h"

#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// A long run that keeps COM3 exposed (and sends on COM5 meanwhile).
const std::vector<std::string> Holder { "--virtual-board=expose=COM3", "verify", "COM5", "--duration", "60s",
    "--quiet" };

std::string readLink(const std::string& link)
{
    std::error_code e;
    return std::filesystem::read_symlink(link, e).string();
}

std::string contents(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool holds(const RuntimeDir& runtime, const CliProcess& p)
{
    return contents(runtime.link("COM3.lock")) == std::to_string(p.pid()) + "\n"
        && !readLink(runtime.link("COM3")).empty();
}

} // namespace

TEST(ExposeLock, ASecondProgramRefusesThePortAndATakenOverLockIsKept)
{
    const RuntimeDir runtime;
    std::optional<CliProcess> first(std::in_place, Holder);
    ASSERT_TRUE(waitFor([&] { return holds(runtime, *first); }, std::chrono::seconds(20)));
    const std::string firstEnd = readLink(runtime.link("COM3"));

    const auto second = runCli({ "--virtual-board=expose=COM3", "ports" });
    EXPECT_EQ(second.status, 2);
    EXPECT_NE(second.err.find("--virtual-board: COM3 is already exposed by another program (process "
                  + std::to_string(first->pid()) + "; lock " + runtime.link("COM3.lock") + ")"),
        std::string::npos)
        << second.err;
    EXPECT_EQ(readLink(runtime.link("COM3")), firstEnd);
    EXPECT_TRUE(holds(runtime, *first));

    // Killed: its link and lock stay behind, and the next program takes them over.
    first->signal(SIGKILL);
    first->wait();
    ASSERT_EQ(contents(runtime.link("COM3.lock")), std::to_string(first->pid()) + "\n");
    CliProcess third(Holder);
    ASSERT_TRUE(waitFor([&] { return holds(runtime, third); }, std::chrono::seconds(20)))
        << contents(runtime.link("COM3.lock")) << third.err();
    third.signal(SIGINT);
    third.wait();
    EXPECT_FALSE(std::filesystem::exists(runtime.link("COM3.lock")));
    EXPECT_TRUE(readLink(runtime.link("COM3")).empty());
}
