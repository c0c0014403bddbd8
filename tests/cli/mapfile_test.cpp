// --map-file: a lab's device names kept in a file, read by vesperline-cli.
#include "cliprocess.h"

#include "tests/support/echopeer.h"
#include "tests/support/ptypair.h"
#include "tests/support/ser2netserver.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>

using nlohmann::json;

namespace {

// A map file of the test's own, removed with it.
class MapFile {
public:
    explicit MapFile(const std::string& text)
    {
        char dir[] = "/tmp/vl-mapfile-XXXXXX";
        m_dir = ::mkdtemp(dir);
        std::ofstream(path()) << text;
    }
    ~MapFile() { std::filesystem::remove_all(m_dir); }
    std::string path() const { return m_dir + "/lab.map"; }

private:
    std::string m_dir;
};

std::string replaced(std::string text, const std::string& what, const std::string& with)
{
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

} // namespace

TEST(MapFile, LinesCommentsErrorsAndOverrides)
{
    PtyPair a, b;
    struct Case {
        const char* file; // PTYA and PTYB stand for the two pseudo-terminals
        std::vector<std::string> extra; // after the file
        int status;
        const char* text; // expected in stdout (status 0) or stderr; {FILE} is the file
    };
    const Case cases[] = {
        { "# the lab\n\n  COM1 = PTYA \r\n\t# more\nCOM2=PTYA\n", { "--map", "COM2=PTYB" }, 0,
            "COM1\tPTYA\tpseudo-terminal\nCOM2\tPTYB\tpseudo-terminal\n" },
        { "COM1=PTYA\nCOM2=PTYB\n", {}, 0, "COM1\tPTYA\tpseudo-terminal\nCOM2\tPTYB\tpseudo-terminal\n" },
        { "COM1=PTYA\nCOM2 PTYB\n", {}, 2,
            "vesperline-cli: --map-file {FILE}:2: expected NAME=TARGET, not \"COM2 PTYB\"\n" },
        { "COM1=PTYA\n\n=PTYB\n", {}, 2, "{FILE}:3: expected NAME=TARGET, not \"=PTYB\"" },
        { "COM1=\n", {}, 2, "{FILE}:1: expected NAME=TARGET, not \"COM1=\"" },
        { "# ok\nCOM1=/etc/passwd\n", {}, 2, "--map-file {FILE}:2: COM1=/etc/passwd: " },
    };
    for (const Case& c : cases) {
        const MapFile file(replaced(replaced(c.file, "PTYA", a.slavePath()), "PTYB", b.slavePath()));
        std::vector<std::string> args { "ports", "--map-file", file.path() };
        for (const std::string& extra : c.extra)
            args.push_back(replaced(extra, "PTYB", b.slavePath()));
        const auto r = runCli(args);
        SCOPED_TRACE(std::string(c.file) + ": " + r.out + r.err);
        EXPECT_EQ(r.status, c.status);
        const std::string want
            = replaced(replaced(replaced(c.text, "PTYA", a.slavePath()), "PTYB", b.slavePath()), "{FILE}", file.path());
        if (c.status == 0)
            EXPECT_EQ(r.out, want);
        else
            EXPECT_NE(r.err.find(want), std::string::npos);
    }
    const auto missing = runCli({ "ports", "--map-file", "/nonexistent/lab.map" });
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("--map-file /nonexistent/lab.map: "), std::string::npos) << missing.err;
}

// Eight remote ports, each a ser2net server in front of a pseudo-terminal
// whose far end the test echoes: named by one map file, run at once.
class RemoteLab : public testing::Test {
protected:
    static constexpr int Ports = 8;
    void SetUp() override
    {
        if (Ser2netServer::program().empty())
            GTEST_SKIP() << "ser2net is not installed (./scripts/bootstrap installs it)";
        std::string map = "# eight remote ports on this machine\n";
        for (int i = 0; i < Ports; ++i) {
            m_ptys.push_back(std::make_unique<PtyPair>());
            m_echoes.push_back(std::make_unique<EchoPeer>(*m_ptys.back()));
            m_servers.push_back(std::make_unique<Ser2netServer>(m_ptys.back()->slavePath()));
            map += "\nCOM" + std::to_string(20 + i) + "=" + m_servers.back()->target() + "\n";
        }
        m_map = std::make_unique<MapFile>(map);
    }
    std::vector<std::string> args(std::vector<std::string> more) const
    {
        std::vector<std::string> a { "--map-file", m_map->path(), "verify", "COM20-COM27", "--min-rate", "0",
            "--drain-timeout", "10s", "--report", "{dir}/r.json" };
        a.insert(a.end(), more.begin(), more.end());
        return a;
    }

    std::vector<std::unique_ptr<PtyPair>> m_ptys;
    std::vector<std::unique_ptr<EchoPeer>> m_echoes;
    std::vector<std::unique_ptr<Ser2netServer>> m_servers;
    std::unique_ptr<MapFile> m_map;
};

TEST_F(RemoteLab, EveryPortPassesWithEveryByteBack)
{
    CliProcess p(args({ "--bytes", "50000", "--quiet" }));
    ASSERT_EQ(p.wait(), 0) << p.out() << p.err();
    const json r = json::parse(p.file("r.json"));
    ASSERT_EQ(r["ports"].size(), size_t(Ports));
    for (int i = 0; i < Ports; ++i) {
        EXPECT_EQ(r["ports"][i]["device"], m_servers[size_t(i)]->target());
        EXPECT_EQ(r["ports"][i]["bytes_received"], 50000) << r["ports"][i].dump();
    }
}

TEST_F(RemoteLab, AKilledServerFailsOnlyItsPort)
{
    CliProcess p(args({ "--duration", "4s" }));
    ASSERT_TRUE(waitFor([&] { return p.err().find("bytes sent") != std::string::npos; }, std::chrono::seconds(30)))
        << p.err();
    m_servers[3]->kill();
    ASSERT_EQ(p.wait(), 1) << p.out() << p.err();
    const json r = json::parse(p.file("r.json"));
    ASSERT_EQ(r["ports"].size(), size_t(Ports));
    for (int i = 0; i < Ports; ++i) {
        const json& port = r["ports"][i];
        EXPECT_EQ(port["result"], i == 3 ? "fail" : "pass") << port.dump();
        if (i != 3) {
            EXPECT_GT(port["bytes_received"].get<uint64_t>(), 0u);
        }
    }
}
