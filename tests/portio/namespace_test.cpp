#include "porthelpers.h"

#include "portio/devicenamespace.h"

#include <filesystem>
#include <fstream>
#include <memory>

using namespace portio;
namespace fs = std::filesystem;

namespace {

// A fake /dev and link directory in a temporary directory; the "device
// nodes" are links to pty slaves, which are real character devices.
class NamespaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vl-ns-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        root = tmpl;
        fs::create_directories(root / "dev");
        fs::create_directories(root / "links");
        ns = std::make_unique<DeviceNamespace>(
            DeviceNamespace::Config { (root / "dev").string(), (root / "links").string() });
    }
    void TearDown() override { fs::remove_all(root); }

    std::string node(const std::string& name, const PtyPair& pty)
    {
        fs::create_symlink(pty.slavePath(), root / "dev" / name);
        return (root / "dev" / name).string();
    }
    void link(const std::string& name, const std::string& target) { fs::create_symlink(target, root / "links" / name); }
    std::string queried(std::string_view name)
    {
        auto r = ns->query(name);
        return r.ok() ? *r : "<" + std::string(errorCodeName(r.error().code)) + ">";
    }
    std::string regularFile()
    {
        const auto p = root / "plain";
        std::ofstream(p) << "not a port";
        return p.string();
    }

    fs::path root;
    std::unique_ptr<DeviceNamespace> ns;
    PtyPair a, b, c, d;
};

class FakeBoard : public PortProvider {
public:
    bool owns(std::string_view target) const override { return target.starts_with("fake:"); }
    Result<PortPtr> open(std::string_view target, Access, OpenPurpose purpose) override
    {
        opened.push_back(std::string(target) + (purpose == OpenPurpose::Probe ? " probe" : " io"));
        return makeError(ErrorCode::Busy, "fake board port in use");
    }
    std::vector<std::string> opened;
};

} // namespace

TEST_F(NamespaceTest, DefaultNumberingFollowsTtySThenUsbThenAcmEachUpToAGap)
{
    const auto s0 = node("ttyS0", a);
    const auto s1 = node("ttyS1", b);
    node("ttyS3", d); // after the gap: not numbered
    const auto usb0 = node("ttyUSB0", c);
    node("ttyACM1", d); // ttyACM0 missing: none of the series
    EXPECT_EQ(queried("COM1"), s0);
    EXPECT_EQ(queried("COM2"), s1);
    EXPECT_EQ(queried("COM3"), usb0);
    EXPECT_EQ(queried("COM4"), "<not found>");
    EXPECT_EQ(queried("COM0"), "<not found>");
    EXPECT_EQ(queried("COM01"), "<not found>");
    EXPECT_EQ(queried("LPT1"), "<not found>");
}

TEST_F(NamespaceTest, NamesMatchWithoutRegardToCaseAndPrefix)
{
    node("ttyS0", a);
    node("ttyS1", b);
    const auto s2 = node("ttyS2", c);
    EXPECT_EQ(queried("COM3"), s2);
    EXPECT_EQ(queried("com3"), s2);
    EXPECT_EQ(queried("\\\\.\\CoM3"), s2);
    EXPECT_EQ(DeviceNamespace::stripPrefix("\\\\.\\COM12"), "COM12");
    EXPECT_EQ(DeviceNamespace::stripPrefix("COM12"), "COM12");
}

TEST_F(NamespaceTest, UserLinksOverrideNumberingAndDefinitionsOverrideLinks)
{
    EXPECT_EQ(queried("COM1"), node("ttyS0", a));
    link("com1", b.slavePath());
    link("Com7", c.slavePath());
    EXPECT_EQ(queried("COM1"), b.slavePath());
    EXPECT_EQ(queried("COM7"), c.slavePath());
    ASSERT_FALSE(ns->define("COM1", d.slavePath()));
    EXPECT_EQ(queried("com1"), d.slavePath());
    ns->undefine("COM1");
    EXPECT_EQ(queried("COM1"), b.slavePath());
}

TEST_F(NamespaceTest, MapOptionDefinesANameAndRefusesMalformedValues)
{
    ASSERT_FALSE(ns->defineFromMapOption("COM12=" + a.slavePath()));
    EXPECT_EQ(queried("\\\\.\\com12"), a.slavePath());
    for (const std::string& bad :
        std::vector<std::string> { "", "=", "COM5", "COM5=", "=" + a.slavePath(), "CO\\M5=" + a.slavePath() })
        EXPECT_EQ(ns->defineFromMapOption(bad).code, ErrorCode::InvalidArgument) << bad;
    const Status regular = ns->defineFromMapOption("COM5=" + regularFile());
    EXPECT_EQ(regular.code, ErrorCode::InvalidArgument);
    EXPECT_NE(regular.text.find("is not a port"), std::string::npos) << regular.text;
    EXPECT_EQ(ns->defineFromMapOption("COM5=/dev/nonexistent-tty").code, ErrorCode::NotFound);
    // A zero byte must not let a path pass the check up to it and be stored whole.
    EXPECT_EQ(ns->defineFromMapOption(std::string("COM5=/dev/null\0x", 16)).code, ErrorCode::InvalidArgument);
    EXPECT_EQ(ns->define(std::string("CO\0M5", 5), a.slavePath()).code, ErrorCode::InvalidArgument);
    EXPECT_EQ(queried("COM5"), "<not found>");
}

TEST_F(NamespaceTest, OpenAndProbeGoThroughTheNamespace)
{
    ASSERT_FALSE(ns->define("COM3", a.slavePath()));
    auto port = ns->open("\\\\.\\COM3", Access::ReadWrite);
    ASSERT_TRUE(port.ok()) << port.error().text;
    ASSERT_TRUE((*port)->write("via name", 8).ok());
    EXPECT_EQ(a.readExactly(8), "via name");
    EXPECT_EQ(ns->probe("\\\\.\\com3").code, ErrorCode::Busy);
    (*port)->close();
    EXPECT_FALSE(ns->probe("\\\\.\\com3"));
    EXPECT_EQ(ns->open("\\\\.\\COM99", Access::Read).error().code, ErrorCode::NotFound);
}

TEST_F(NamespaceTest, BoardTargetsAreAcceptedWhileABoardServesThem)
{
    auto board = std::make_shared<FakeBoard>();
    EXPECT_NE(ns->define("COM40", "fake:7").code, ErrorCode::None) << "no board yet";
    ns->installBoard(board, { { "COM3", "fake:0" } });
    EXPECT_EQ(queried("com3"), "fake:0");
    ASSERT_FALSE(ns->define("COM40", "fake:7"));
    EXPECT_EQ(ns->open("\\\\.\\COM40", Access::ReadWrite).error().text, "fake board port in use");
    EXPECT_EQ(ns->probe("COM3").code, ErrorCode::Busy);
    EXPECT_EQ(board->opened, (std::vector<std::string> { "fake:7 io", "fake:0 probe" }));
    ns->removeBoard();
    EXPECT_EQ(queried("COM3"), "<not found>");
}
