// Exposed ports: the far end of a board port as a pseudo-terminal that
// another program (pyserial here) opens through its link.
#include "vboard/boardconfig.h"
#include "vboard/virtualboard.h"

#include "tests/support/pyserial.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vboard;
using namespace portio;
namespace fs = std::filesystem;

namespace {

// Opens the exposed end with pyserial, says "open", echoes n bytes, says "done".
const char* const kPeer = R"(
import serial, sys
link, baud, n = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
s = serial.Serial(link, baud, timeout=20)
print("open", flush=True)
s.write(s.read(n))
s.flush()
print("done", flush=True)
)";

class Peer {
public:
    Peer(const std::string& link, uint32_t baud, size_t n)
    {
        const std::string cmd = debianPython() + " -c '" + std::string(kPeer) + "' " + link + " " + std::to_string(baud)
            + " " + std::to_string(n);
        m_pipe = ::popen(cmd.c_str(), "r");
    }
    ~Peer()
    {
        if (m_pipe) ::pclose(m_pipe);
    }
    // The next line the peer prints (empty when it has ended).
    std::string line()
    {
        char buf[64] = {};
        return m_pipe && std::fgets(buf, sizeof buf, m_pipe) ? std::string(buf) : std::string();
    }

private:
    FILE* m_pipe = nullptr;
};

class ExposeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/vl-expose-XXXXXX";
        ASSERT_TRUE(::mkdtemp(dir));
        m_runtime = dir;
        ::setenv("XDG_RUNTIME_DIR", dir, 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(m_runtime);
    }
    std::string link(int com) const { return m_runtime + "/vesperline/board/COM" + std::to_string(com); }

    std::unique_ptr<VirtualBoard> board(const char* option)
    {
        auto config = parseBoardOption(option);
        EXPECT_TRUE(config) << config.error().text;
        auto b = std::make_unique<VirtualBoard>(*config);
        EXPECT_FALSE(b->exposeStatus()) << b->exposeStatus().text;
        return b;
    }

    static PortPtr openAt(VirtualBoard& b, int index, uint32_t baud, uint8_t byteSize = 8)
    {
        auto port = b.open(index, Access::ReadWrite);
        EXPECT_TRUE(port) << port.error().text;
        Dcb d;
        d.BaudRate = baud;
        d.ByteSize = byteSize;
        CommTimeouts t;
        t.ReadTotalTimeoutConstant = 20000;
        EXPECT_FALSE((*port)->setState(d));
        EXPECT_FALSE((*port)->setTimeouts(t));
        return std::move(*port);
    }

    std::string m_runtime;
};

TEST_F(ExposeTest, AnotherProgramExchangesDataWithTheBoardPortThroughTheLink)
{
    if (!havePyserial()) GTEST_SKIP() << "pyserial (python3-serial) is not installed";
    auto b = board("ports=4,wiring=pairs,expose=COM3-COM4");
    struct stat st { };
    ASSERT_EQ(::stat((m_runtime + "/vesperline/board").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(fs::read_symlink(link(3)), b->exposedPath(0));
    EXPECT_EQ(fs::read_symlink(link(4)), b->exposedPath(1));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link(5))));

    std::string data;
    for (int round = 0; round < 4; ++round)
        for (int i = 0; i < 256; ++i)
            data += char(i);
    for (int index : { 0, 1 }) {
        SCOPED_TRACE(index);
        auto port = openAt(*b, index, 115200);
        Peer peer(link(3 + index), 115200, data.size());
        ASSERT_EQ(peer.line(), "open\n");
        ASSERT_TRUE(port->write(data.data(), data.size()).ok());
        std::string back(data.size(), '\0');
        const IoResult r = port->read(back.data(), back.size());
        ASSERT_EQ(r.count, data.size()) << r.error.text;
        EXPECT_EQ(back, data);
        EXPECT_EQ(peer.line(), "done\n");
    }
}

// What a person types into tio on the exposed end reaches the board port.
TEST_F(ExposeTest, TioTypesIntoTheBoardPort)
{
    if (::access("/usr/bin/tio", X_OK) != 0) GTEST_SKIP() << "tio is not installed";
    auto b = board("ports=1,expose=COM3");
    auto port = openAt(*b, 0, 115200);
    int keys[2];
    ASSERT_EQ(::pipe(keys), 0);
    const pid_t tio = ::fork();
    if (tio == 0) {
        ::dup2(keys[0], 0);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl("/usr/bin/tio", "tio", "-b", "115200", "--mute", link(3).c_str(), nullptr);
        ::_exit(127);
    }
    ::close(keys[0]);
    const std::string typed = "typed in tio\r";
    ASSERT_EQ(::write(keys[1], typed.data(), typed.size()), ssize_t(typed.size()));
    std::string got(typed.size(), '\0');
    const IoResult r = port->read(got.data(), got.size());
    ::kill(tio, SIGTERM);
    ::waitpid(tio, nullptr, 0);
    ::close(keys[1]);
    ASSERT_EQ(r.count, typed.size()) << r.error.text;
    EXPECT_EQ(got, typed);
}

TEST_F(ExposeTest, WhatArrivesKeepsThePortsPaceAndDataBits)
{
    auto b = board("ports=1,expose=COM3");
    auto port = openAt(*b, 0, 2400, 7); // 9 bits a character: 266 characters a second
    const int end = ::open(link(3).c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(end, 0);
    const std::string sent(133, '\xff');
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(::write(end, sent.data(), sent.size()), ssize_t(sent.size()));
    std::string got(sent.size(), '\0');
    const IoResult r = port->read(got.data(), got.size());
    const auto took = std::chrono::steady_clock::now() - start;
    ::close(end);
    ASSERT_EQ(r.count, sent.size()) << r.error.text;
    EXPECT_EQ(got, std::string(sent.size(), '\x7f'));
    // Handed over at once, carried at the line's pace: at least 132 character
    // times after the first.
    EXPECT_GE(took, std::chrono::milliseconds(490));
}

TEST_F(ExposeTest, StaleLinksAreReplacedAndLinksGoAtExitAndOnSigterm)
{
    fs::create_directories(m_runtime + "/vesperline/board");
    fs::create_symlink("/nonexistent/pts", link(3));
    {
        auto b = board("ports=1,expose=COM3");
        EXPECT_EQ(fs::read_symlink(link(3)), b->exposedPath(0));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link(3))));

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        auto config = parseBoardOption("ports=1,expose=COM3");
        VirtualBoard b(*config);
        (void)!::write(ready[1], "r", 1);
        for (;;)
            ::pause();
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_TRUE(fs::is_symlink(link(3)));
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link(3))));
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(ExposeOption, NamesARangeOfTheBoardsPorts)
{
    auto c = parseBoardOption("ports=8,expose=com4-COM10");
    ASSERT_TRUE(c) << c.error().text;
    EXPECT_EQ(c->exposeFirst, 4);
    EXPECT_EQ(c->exposeLast, 10);
    for (const char* bad : { "expose=COM4-COM3", "expose=ttyS0", "expose=COM", "expose=COM3-", "ports=2,expose=COM5",
             "first=5,expose=COM4" }) {
        auto r = parseBoardOption(bad);
        ASSERT_FALSE(r) << bad;
        EXPECT_NE(r.error().text.find("expose"), std::string::npos) << r.error().text;
    }
}

} // namespace
