#include "comtest.h"

#include "portio/devicenamespace.h"
#include "portio/win32/win32port.h"

using namespace portio;

namespace {

using OpenTest = ComTest;

// A port open here is refused to every other opener, with the system's words.
TEST_F(OpenTest, SecondOpenIsRefusedAsBusyUntilClosed)
{
    for (auto purpose : { OpenPurpose::Io, OpenPurpose::Probe }) {
        auto again = openWin32Port(ComPair::nearPath(), Access::Read, purpose);
        ASSERT_FALSE(again);
        EXPECT_EQ(again.error().code, ErrorCode::Busy);
        EXPECT_NE(again.error().text.find(ComPair::nearPath() + " is in use: "), std::string::npos)
            << again.error().text;
        EXPECT_NE(again.error().text.find("(error "), std::string::npos) << again.error().text; // the system's text
    }
    port().close();
    auto after = openWin32Port(ComPair::nearPath(), Access::ReadWrite, OpenPurpose::Io);
    EXPECT_TRUE(after) << after.error().text;
}

TEST(Win32OpenTest, MissingAndNonSerialDevicesAreRefused)
{
    struct Case {
        const char* path;
        ErrorCode code;
        const char* text;
    } cases[] = {
        { "\\\\.\\COM97", ErrorCode::NotFound, "\\\\.\\COM97: " },
        { "\\\\.\\NUL", ErrorCode::InvalidArgument, "\\\\.\\NUL is not a serial port" },
    };
    for (const auto& c : cases) {
        auto r = openWin32Port(c.path, Access::ReadWrite, OpenPurpose::Io);
        ASSERT_FALSE(r) << c.path;
        EXPECT_EQ(r.error().code, c.code) << c.path << ": " << r.error().text;
        EXPECT_EQ(r.error().text.rfind(c.text, 0), 0u) << r.error().text;
    }
}

// COM names open as \\.\COMn; a definition (--map) points a name elsewhere.
TEST_F(OpenTest, NamespaceOpensComNamesAndDefinitions)
{
    port().close();
    DeviceNamespace ns;
    const std::string name = ComPair::nearPath().substr(4);
    EXPECT_EQ(*ns.query(name), ComPair::nearPath());
    // Only device paths are targets: not a file, not a bare name.
    EXPECT_EQ(ns.defineFromMapOption("COM40=C:\\windows\\win.ini").code, ErrorCode::InvalidArgument);
    EXPECT_EQ(ns.defineFromMapOption("COM41=COM5").code, ErrorCode::InvalidArgument);
    ASSERT_TRUE(ns.defineFromMapOption("COM40=" + ComPair::nearPath()).ok());
    for (const char* name : { "COM40", "\\\\.\\com40" }) {
        auto p = ns.open(name, Access::ReadWrite);
        ASSERT_TRUE(p) << name << ": " << p.error().text;
        ASSERT_TRUE(pair().farWrite("via the map"));
        std::string got(11, '\0');
        CommTimeouts t;
        t.ReadTotalTimeoutConstant = 5000;
        ASSERT_TRUE((*p)->setTimeouts(t).ok());
        EXPECT_EQ((*p)->read(got.data(), got.size()).count, 11u);
        EXPECT_EQ(got, "via the map");
        (*p)->close();
    }
}

} // namespace
