// The command line: the framework flags in any spelling, the board and map
// options, and what is refused.
#include "res/version.h"
#include "shell/boardsetup.h"
#include "shell/commandline.h"
#include "tests/support/ptypair.h"

#include "portio/devicenamespace.h"

#include <QTemporaryDir>

#include <fstream>

#include <gtest/gtest.h>

namespace {

CommandLineOptions parse(QStringList args)
{
    args.prepend("vesperline");
    return parseCommandLine(args);
}

TEST(CommandLine, NoArgumentsShowsTheSplashAndOpensNothing)
{
    const auto o = parse({});
    EXPECT_TRUE(o.error.isEmpty());
    EXPECT_TRUE(o.showSplash);
    EXPECT_FALSE(o.virtualBoard);
    EXPECT_TRUE(o.files.isEmpty());
}

TEST(CommandLine, EmbeddingAndAutomationTurnOffTheSplashInAnySpelling)
{
    for (const char* flag : { "/Embedding", "-embedding", "/AUTOMATION", "-Automation", "/eMbEdDiNg" }) {
        const auto o = parse({ flag });
        EXPECT_FALSE(o.showSplash) << flag;
        EXPECT_TRUE(o.error.isEmpty()) << flag;
        EXPECT_TRUE(o.files.isEmpty()) << flag;
    }
}

TEST(CommandLine, OtherFrameworkFlagsHaveNoEffect)
{
    const auto o = parse({ "/p", "/dde", "/Unregister", "-pt" });
    EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_TRUE(o.showSplash);
    EXPECT_TRUE(o.files.isEmpty());
}

TEST(CommandLine, VirtualBoardWithAndWithoutValue)
{
    EXPECT_EQ(parse({ "--virtual-board" }).virtualBoard, std::string());
    EXPECT_EQ(parse({ "--virtual-board=pairs" }).virtualBoard, "pairs");
    EXPECT_EQ(parse({ "--virtual-board=wiring=open,ports=4" }).virtualBoard, "wiring=open,ports=4");
}

TEST(CommandLine, MapsAreKeptInOrder)
{
    const auto o = parse({ "--map", "COM3=/dev/ttyUSB0", "--map=COM4=/dev/ttyACM0", "--diagnostics" });
    ASSERT_TRUE(o.error.isEmpty());
    ASSERT_EQ(o.maps.size(), 2u);
    EXPECT_EQ(o.maps[0], std::make_pair(std::string("COM3"), std::string("/dev/ttyUSB0")));
    EXPECT_EQ(o.maps[1], std::make_pair(std::string("COM4"), std::string("/dev/ttyACM0")));
    EXPECT_TRUE(o.diagnostics);
}

// The window program reads a lab's map file as vesperline-cli does: its lines
// first, a --map of the same name over them; a line it does not understand
// refuses the command line, naming the file and line.
TEST(CommandLine, MapFileLinesAndOverrides)
{
    PtyPair a, b;
    QTemporaryDir dir;
    const std::string good = dir.filePath("lab.map").toStdString(), bad = dir.filePath("bad.map").toStdString();
    std::ofstream(good) << "# lab\n\nCOM1 = " << a.slavePath() << "\nCOM2=" << a.slavePath() << "\n";
    std::ofstream(bad) << "COM1=" << a.slavePath() << "\njunk\n";
    const auto o = parse(
        { "--map-file", QString::fromStdString(good), "--map", QString::fromStdString("COM2=" + b.slavePath()) });
    ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    portio::DeviceNamespace ns;
    EXPECT_TRUE(installDevices(o, ns).isEmpty());
    EXPECT_EQ(*ns.query("COM1"), a.slavePath());
    EXPECT_EQ(*ns.query("COM2"), b.slavePath());
    EXPECT_EQ(parse({ "--map-file", QString::fromStdString(bad) }).error.toStdString(),
        "--map-file " + bad + ":2: expected NAME=TARGET, not \"junk\"");
    EXPECT_EQ(parse({ "--map-file", "/nonexistent/lab.map" }).error.toStdString(),
        "--map-file /nonexistent/lab.map: No such file or directory");
}

TEST(CommandLine, RefusedInput)
{
    EXPECT_FALSE(parse({ "--map", "COM3" }).error.isEmpty());
    EXPECT_FALSE(parse({ "--map", "=x" }).error.isEmpty());
    EXPECT_FALSE(parse({ "--no-such-option" }).error.isEmpty());
    EXPECT_FALSE(parseMapDefinition("COM3=").has_value());
}

TEST(CommandLine, HelpVersionAndFiles)
{
    EXPECT_TRUE(parse({ "--help" }).help);
    EXPECT_TRUE(parse({ "--version" }).version);
    EXPECT_EQ(parse({ "a.vsl", "b.vsl" }).files, (QStringList { "a.vsl", "b.vsl" }));
    EXPECT_TRUE(commandLineHelp().contains("--virtual-board"));
    EXPECT_EQ(versionText(), "Vesperline Version " VESPERLINE_VERSION);
}

} // namespace
