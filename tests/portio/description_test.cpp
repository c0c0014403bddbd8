#include "portio/portdescription.h"

#include "tests/support/ptypair.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace portio;
namespace fs = std::filesystem;

// Real USB adapters cannot be attached here; what udev says of them is read
// by the same code that finds nothing for the nodes below.
TEST(PortDescription, SaysWhatKindOfDeviceEachTargetIs)
{
    PtyPair pty;
    const fs::path dir = fs::temp_directory_path() / ("vl-describe-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::create_symlink(pty.slavePath(), dir / "link");
    std::ofstream(dir / "file") << "x";
    const struct {
        std::string target, text;
    } cases[] = {
        { pty.slavePath(), "pseudo-terminal" },
        { (dir / "link").string(), "pseudo-terminal" },
        { "vboard:0", "virtual board port 0" },
        { "vboard:95", "virtual board port 95" },
        { "rfc2217://127.0.0.1:3001", "" },
        { (dir / "file").string(), "" },
        { (dir / "missing").string(), "" },
        { "/dev/null", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(describePort(c.target).text(), c.text) << c.target;
    fs::remove_all(dir);
}

TEST(PortDescription, JoinsWhatIsKnown)
{
    const struct {
        PortDescription d;
        std::string text;
    } cases[] = {
        { { "", "FTDI", "FT232R USB UART", "A1B2", "ftdi_sio" }, "FTDI FT232R USB UART, serial A1B2, driver ftdi_sio" },
        { { "", "", "", "", "serial8250" }, "driver serial8250" },
        { { "", "", "CP2102", "0001", "" }, "CP2102, serial 0001" },
        { {}, "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.d.text(), c.text);
}
