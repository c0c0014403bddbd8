#include "porthelpers.h"

#include "portio/devicenamespace.h"

#include <fcntl.h>
#include <fstream>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace portio;

namespace {

bool sameTermios(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag
        && std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc) && cfgetospeed(&a) == cfgetospeed(&b);
}

termios termiosOf(int fd)
{
    termios t {};
    EXPECT_EQ(::tcgetattr(fd, &t), 0);
    return t;
}

} // namespace

TEST(PosixOpen, SecondOpenIsBusyFromAnotherFdAndThread)
{
    PtyPair pty;
    auto first = openSlave(pty);
    ASSERT_TRUE(first);

    auto again = openPosixPort(pty.slavePath(), Access::ReadWrite, OpenPurpose::Io);
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().code, ErrorCode::Busy) << again.error().text;

    ErrorCode fromThread = ErrorCode::None;
    std::thread([&] {
        auto r = openPosixPort(pty.slavePath(), Access::Read, OpenPurpose::Io);
        fromThread = r.ok() ? ErrorCode::None : r.error().code;
    }).join();
    EXPECT_EQ(fromThread, ErrorCode::Busy);

    // Probing (as port discovery does) sees the port as taken too.
    EXPECT_EQ(openPosixPort(pty.slavePath(), Access::Read, OpenPurpose::Probe).error().code, ErrorCode::Busy);
}

TEST(PosixOpen, SecondOpenIsBusyFromAnotherProcessAlsoAsRoot)
{
    PtyPair pty;
    auto first = openSlave(pty);
    ASSERT_TRUE(first);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto r = openPosixPort(pty.slavePath(), Access::ReadWrite, OpenPurpose::Io);
        ::_exit(r.ok() ? 0 : r.error().code == ErrorCode::Busy ? 42 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42);
    if (::geteuid() != 0)
        GTEST_SKIP() << "not root: the root case (which TIOCEXCL alone does not stop) was not exercised";
}

TEST(PosixOpen, OpensAgainAfterClose)
{
    PtyPair pty;
    for (int round = 0; round < 3; ++round) {
        auto port = openSlave(pty);
        ASSERT_TRUE(port);
        port->close();
        EXPECT_EQ(port->write("x", 1).error.code, ErrorCode::Aborted);
    }
    // The exclusive flag is gone too: a plain open of the device works.
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0);
    ::close(fd);
}

TEST(PosixOpen, IoOpenMakesRawKeepingSpeedAndFraming)
{
    PtyPair pty(PtyPair::Mode::AsCreated);
    termios before = termiosOf(pty.slaveFd());
    cfsetspeed(&before, B4800);
    before.c_cflag |= CSTOPB | CRTSCTS; // a pty keeps stop bits and flow control (not data bits or parity)
    ASSERT_EQ(::tcsetattr(pty.slaveFd(), TCSANOW, &before), 0);

    auto port = openSlave(pty);
    ASSERT_TRUE(port);
    const termios after = termiosOf(pty.slaveFd());
    EXPECT_EQ(cfgetospeed(&after), speed_t(B4800));
    EXPECT_EQ(after.c_cflag & (CSTOPB | CRTSCTS), tcflag_t(CSTOPB | CRTSCTS));
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(after.c_iflag & (ICRNL | IXON), 0u);
    EXPECT_EQ(after.c_oflag & OPOST, 0u);
    auto dcb = port->getState();
    ASSERT_TRUE(dcb.ok());
    EXPECT_EQ(dcb->BaudRate, 4800u);
    EXPECT_EQ(dcb->StopBits, TWOSTOPBITS);
    EXPECT_TRUE(dcb->fOutxCtsFlow);
}

TEST(PosixOpen, ProbeChangesNothingOnThePort)
{
    PtyPair pty(PtyPair::Mode::AsCreated);
    const termios before = termiosOf(pty.slaveFd());
    DeviceNamespace ns;
    ASSERT_FALSE(ns.probe(pty.slavePath())) << ns.probe(pty.slavePath()).text;
    EXPECT_TRUE(sameTermios(before, termiosOf(pty.slaveFd())));
    EXPECT_EQ(pty.readAvailable(), "");
    // Not left exclusive or locked: an I/O open succeeds at once.
    EXPECT_TRUE(openSlave(pty));
}

TEST(PosixOpen, RefusesWhatIsNotASerialPort)
{
    char path[] = "/tmp/vl-portio-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    auto r = openPosixPort(path, Access::ReadWrite, OpenPurpose::Io);
    ::unlink(path);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, ErrorCode::InvalidArgument);
    EXPECT_NE(r.error().text.find("not a serial port"), std::string::npos);

    auto missing = openPosixPort("/dev/pts/does-not-exist", Access::ReadWrite, OpenPurpose::Io);
    EXPECT_EQ(missing.error().code, ErrorCode::NotFound);
    EXPECT_NE(missing.error().text.find("No such file"), std::string::npos) << missing.error().text;
}

TEST(PosixOpen, AccessModeIsEnforced)
{
    PtyPair pty;
    {
        auto reader = openSlave(pty, Access::Read);
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->write("x", 1).error.code, ErrorCode::AccessDenied);
    }
    auto writer = openSlave(pty, Access::Write);
    ASSERT_TRUE(writer);
    char c;
    EXPECT_EQ(writer->read(&c, 1).error.code, ErrorCode::AccessDenied);
    EXPECT_TRUE(writer->write("ok", 2).ok());
    EXPECT_EQ(pty.readExactly(2), "ok");
}
