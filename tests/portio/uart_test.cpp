#include "portio/posix/posixport.h"
#include "portio/posix/uartdivisor.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace portio;

// Runs only on a machine where VESPERLINE_TEST_UART names a real serial port
// that nothing else uses (its lines may be toggled and settings changed).
class RealUart : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* dev = std::getenv("VESPERLINE_TEST_UART");
        if (!dev || !*dev) GTEST_SKIP() << "set VESPERLINE_TEST_UART to a serial device to run";
        path = dev;
        auto r = openPosixPort(path, Access::ReadWrite, OpenPurpose::Io);
        ASSERT_TRUE(r.ok()) << r.error().text;
        port = std::move(*r);
    }

    std::string path;
    PortPtr port;
};

TEST_F(RealUart, ModemLinesAndFramingAreCarriedOut)
{
    for (auto f : { EscapeFunction::SETRTS, EscapeFunction::CLRRTS, EscapeFunction::SETDTR, EscapeFunction::CLRDTR })
        EXPECT_FALSE(port->escape(f)) << port->escape(f).text;
    EXPECT_TRUE(port->modemStatus().ok());
    Dcb d = *port->getState();
    d.BaudRate = 19200;
    d.ByteSize = 7;
    d.Parity = MARKPARITY;
    d.StopBits = TWOSTOPBITS;
    ASSERT_FALSE(port->setState(d));
    const Dcb back = *port->getState();
    EXPECT_EQ(back.BaudRate, 19200u);
    EXPECT_EQ(back.ByteSize, 7);
    EXPECT_EQ(back.Parity, MARKPARITY);
    EXPECT_EQ(back.StopBits, TWOSTOPBITS);
    d.BaudRate = 1; // no UART divides its clock down to this
    EXPECT_EQ(port->setState(d).code, ErrorCode::InvalidArgument);
    EXPECT_EQ(port->getState()->BaudRate, 19200u) << "the refused rate left the line as it was";
    EXPECT_FALSE(port->transmitChar('X'));
    EXPECT_TRUE(port->clearCommError().ok());
}

// What a UART with the usual 1.8432 MHz clock (115200 over 16) makes of a
// rate asked for: near enough, or refused.
TEST(UartDivisor, RatesTheClockCannotMakeAreTold)
{
    const struct {
        uint32_t baud;
        bool made;
    } cases[] = { { 115200, true }, { 9600, true }, { 50, true }, { 110, true }, { 2, true }, { 1, false },
        { 56000, false }, { 100000, false }, { 76800, false } };
    for (const auto& c : cases)
        EXPECT_EQ(uartMakesRate(c.baud, 115200), c.made) << c.baud << " baud: " << uartRate(c.baud, 115200);
}
