// The Verify Ports dialog and its run window, driven as a person would, on
// the virtual board: the table, the tiles, the first error, the saved files.
#include "portsel/linesettingscontrols.h"
#include "session/consolesession.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/silentserver.h"
#include "tests/support/waitfor.h"
#include "torture/torturerun.h"
#include "vboard/boardconfig.h"
#include "vboard/boardinstall.h"
#include "verifyui/boardoverview.h"
#include "verifyui/firsterrorview.h"
#include "verifyui/portresultsmodel.h"
#include "verifyui/porttile.h"
#include "verifyui/verifyportscommand.h"
#include "verifyui/verifyportsdlg.h"
#include "verifyui/verifywindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <optional>

using namespace verifyui;

namespace {

bool settle(const std::function<bool()>& cond, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    return waitFor(
        [&] {
            QApplication::processEvents();
            return cond();
        },
        limit);
}

class VerifyPorts : public testing::Test {
protected:
    // A fresh namespace with a board of its own.
    void install(const std::string& board)
    {
        if (m_window) m_window->close();
        m_command.reset();
        m_ns = std::make_unique<portio::DeviceNamespace>();
        m_command = std::make_unique<VerifyPortsCommand>(*m_ns, ui);
        // Input queues that hold a whole run: a slow (sanitized) receiver must not overrun them.
        auto config = vboard::parseBoardOption("queue=65536" + (board.empty() ? "" : "," + board));
        ASSERT_TRUE(config) << config.error().text;
        vboard::installVirtualBoard(*m_ns, *config);
    }

    // Opens the dialog from the command, fills it as `fill` says and clicks OK.
    VerifyWindow* start(const std::function<void(VerifyPortsDlg&)>& fill)
    {
        ui.queueDialog([&](QDialog& d) {
            auto& dlg = static_cast<VerifyPortsDlg&>(d);
            fill(dlg);
            dlg.okButton()->click();
            return dlg.result();
        });
        m_window = m_command->run(nullptr);
        return m_window;
    }

    static void listAndBytes(VerifyPortsDlg& d, const char* ports, const char* bytes)
    {
        d.listChoice()->setChecked(true);
        d.listField()->setText(QString::fromLatin1(ports));
        d.lineControls()->baudField()->setText("921600");
        d.bytesChoice()->setChecked(true);
        d.bytesField()->setText(QString::fromLatin1(bytes));
        d.minRateField()->setValue(0); // the rate of runs this short is luck
    }

    static bool done(VerifyWindow* w) { return w->saveButton()->isEnabled(); }

    QString cell(int row, int column) const
    {
        return m_window->model()->data(m_window->model()->index(row, column), Qt::DisplayRole).toString();
    }

    nlohmann::json savedJson()
    {
        const QString path = m_dir.filePath("report");
        ui.queueTypedFileName(UiServices::TypedFileName { path, 0 });
        m_window->saveButton()->click();
        QFile file(path + ".json");
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return nlohmann::json::parse(file.readAll().toStdString());
    }

    void TearDown() override
    {
        if (m_window) m_window->close();
    }

    FakeUiServices ui;
    std::unique_ptr<portio::DeviceNamespace> m_ns;
    std::unique_ptr<VerifyPortsCommand> m_command;
    QPointer<VerifyWindow> m_window;
    QTemporaryDir m_dir;
};

// Who holds a port while the run opens it.
enum class Holder { Nobody, Handle, Console, Torture };

// Holds COM4 as `holder` does for as long as it lives.
class PortHolder {
public:
    PortHolder(portio::DeviceNamespace& ns, Holder holder)
    {
        if (holder == Holder::Handle) m_handle = std::move(*ns.open("COM4", portio::Access::ReadWrite));
        if (holder == Holder::Console) {
            m_console = std::make_unique<ConsoleSession>(ns);
            m_console->InitPortContext();
            m_console->m_portCtx.portName = "COM4";
            EXPECT_EQ(m_console->OpenPort(), 1);
        }
        if (holder == Holder::Torture) {
            m_torture = std::make_unique<torture::TortureRun>();
            EXPECT_TRUE(m_torture->start(ns, { 4, 1, 115200 }, [](const std::string& text) { ADD_FAILURE() << text; }));
        }
    }
    ~PortHolder()
    {
        if (m_console) m_console->ClosePort();
        if (m_torture) m_torture->stop();
    }

private:
    portio::PortPtr m_handle;
    std::unique_ptr<ConsoleSession> m_console;
    std::unique_ptr<torture::TortureRun> m_torture;
};

struct RunCase {
    const char* name;
    const char* board;
    Holder hold; // of COM4, for the whole run
    const char* failing; // the port expected to fail, or ""
    const char* tileState; // of the failing port
    const char* reason; // the start of its reason
};

// A clean run passes every port; a port that drops bytes fails in the table,
// on its tile and in the saved report, with its first error shown; a port
// held by another handle, a console session or a torture run is reported
// busy (not as failed to open) while the others run.
TEST_F(VerifyPorts, EveryPortEndsInTheTableTileAndReportAsItRan)
{
    const RunCase cases[] = {
        { "clean", "", Holder::Nobody, "", "", "" },
        { "drop", "drop=COM5:0.01", Holder::Nobody, "COM5", "error", "fail: " },
        { "busy", "", Holder::Handle, "COM4", "busy", "fail: busy" },
        { "console", "", Holder::Console, "COM4", "busy", "fail: busy" },
        { "torture", "", Holder::Torture, "COM4", "busy", "fail: busy" },
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        install(c.board);
        auto held = std::make_unique<PortHolder>(*m_ns, c.hold);
        VerifyWindow* w = start([](VerifyPortsDlg& d) { listAndBytes(d, "COM3-COM10", "16384"); });
        ASSERT_TRUE(w);
        ASSERT_TRUE(settle([&] { return done(w); }));
        const nlohmann::json report = savedJson();
        ASSERT_EQ(report["ports"].size(), 8u);
        for (int row = 0; row < 8; ++row) {
            const std::string port = "COM" + std::to_string(row + 3);
            SCOPED_TRACE(port);
            const bool fails = port == c.failing;
            const QString result = cell(row, PortResultsModel::Result);
            EXPECT_EQ(result.startsWith(QString::fromLatin1(fails ? c.reason : "pass")), true) << result.toStdString();
            EXPECT_EQ(w->overview()->tile(row)->accessibleName().toStdString(),
                port + ", " + (fails ? c.tileState : "passed"));
            EXPECT_EQ(report["ports"][row]["port"], port);
            EXPECT_EQ(report["ports"][row]["result"], fails ? "fail" : "pass");
            // The table and the saved report tell the same counts.
            const nlohmann::json& saved = report["ports"][row];
            EXPECT_EQ(saved["errors"]["lost"], cell(row, PortResultsModel::Lost).toULongLong());
            EXPECT_EQ(saved["bytes_received"], cell(row, PortResultsModel::Received).toULongLong());
            if (!fails) {
                EXPECT_EQ(cell(row, PortResultsModel::Received), "16384");
                EXPECT_EQ(saved["errors"]["lost"], 0u);
            }
        }
        EXPECT_EQ(report["result"], *c.failing ? "fail" : "pass");
        EXPECT_EQ(w->summary()->text().startsWith(*c.failing ? "7 passing, 1 failing" : "8 passing, 0 failing"), true)
            << w->summary()->text().toStdString();
        if (std::string(c.name) == "drop") {
            // Every byte sent either arrived or is counted lost, and the
            // first error lies in what arrived.
            const nlohmann::json& com5 = report["ports"][2];
            const uint64_t lost = com5["errors"]["lost"];
            const uint64_t received = com5["bytes_received"];
            EXPECT_GT(lost, 0u);
            EXPECT_EQ(com5["bytes_sent"], 16384u);
            EXPECT_EQ(received + lost, 16384u);
            const std::string reason = std::to_string(lost) + " bytes lost";
            EXPECT_EQ(com5["reason"], reason);
            EXPECT_EQ(cell(2, PortResultsModel::Result).toStdString(), "fail: " + reason);
            ASSERT_TRUE(com5["first_error"].is_object()) << com5.dump();
            const uint64_t offset = com5["first_error"]["offset"];
            EXPECT_LT(offset, received);
            EXPECT_NE(com5["first_error"]["expected_hex"], com5["first_error"]["received_hex"]);
            w->selectPort(2);
            const std::string heading = w->firstErrorView()->heading().toStdString();
            EXPECT_EQ(heading,
                "COM5: first error at offset " + std::to_string(offset) + " of what it received (" + reason + ")");
            const QStringList dump = w->firstErrorView()->dump().split('\n');
            ASSERT_EQ(dump.size(), 2);
            EXPECT_TRUE(dump[0].startsWith("expected") && dump[1].startsWith("received"))
                << dump.join('|').toStdString();
            EXPECT_TRUE(dump[0].contains('[') && dump[1].contains('[')) << dump.join('|').toStdString();
            EXPECT_TRUE(w->firstErrorView()->counters().startsWith("Line errors: "));
        }
        w->close();
        held.reset();
    }
}

struct RunningFault {
    const char* name;
    const char* board;
    Holder hold;
    int row; // of the faulty port
    const char* result; // the start of its result while the run goes on
    const char* heading; // the start of its first-error heading
    bool dump; // whether the expected and received bytes are shown
};

// A port's fault shows in the table and the first-error view as soon as it
// is found, while the run still goes on: not only once it is over.
TEST_F(VerifyPorts, AFaultShowsWhileTheRunGoesOn)
{
    const RunningFault faults[] = {
        { "drop", "drop=COM5:0.01", Holder::Nobody, 2, "fail: ", "COM5: first error at offset ", true },
        { "busy", "", Holder::Handle, 1, "busy", "COM4: busy", false },
    };
    for (const RunningFault& c : faults) {
        SCOPED_TRACE(c.name);
        install(c.board);
        auto held = std::make_unique<PortHolder>(*m_ns, c.hold);
        VerifyWindow* w = start([](VerifyPortsDlg& d) {
            listAndBytes(d, "COM3-COM10", "1");
            d.durationChoice()->setChecked(true);
            d.durationField()->setValue(3600);
        });
        ASSERT_TRUE(w);
        w->selectPort(c.row);
        FirstErrorView* view = w->firstErrorView();
        EXPECT_TRUE(settle([&] { return view->heading().startsWith(c.heading); })) << view->heading().toStdString();
        EXPECT_FALSE(done(w));
        const QString result = cell(c.row, PortResultsModel::Result);
        EXPECT_TRUE(result.startsWith(c.result)) << result.toStdString();
        if (c.dump) {
            EXPECT_TRUE(result.endsWith(" lost")) << result.toStdString();
            EXPECT_GT(cell(c.row, PortResultsModel::Lost).toULongLong(), 0u);
            const QStringList dump = view->dump().split('\n');
            ASSERT_EQ(dump.size(), 2) << view->dump().toStdString();
            EXPECT_TRUE(dump[0].startsWith("expected") && dump[1].startsWith("received"));
        }
        w->close();
        held.reset();
    }
}

// The file type chosen in the save dialog picks the writer: the same files as vesperline-cli's.
TEST_F(VerifyPorts, SaveReportWritesTheTypeChosen)
{
    install("");
    VerifyWindow* w = start([](VerifyPortsDlg& d) { listAndBytes(d, "COM3,COM4", "4096"); });
    ASSERT_TRUE(w && settle([&] { return done(w); }));
    const struct {
        int type;
        const char* file;
        const char* begins;
    } types[] = { { 0, "r.json", "{\n  \"duration_s\"" }, { 1, "r.csv", "port,device,result," },
        { 2, "r.xml", "<?xml version=\"1.0\"" }, { 3, "r.html", "<!DOCTYPE html>" },
        { 1, "r", "port,device,result," } };
    for (const auto& t : types) {
        const QString path = m_dir.filePath(t.file);
        ui.queueTypedFileName(UiServices::TypedFileName { path, t.type });
        w->saveButton()->click();
        QFile file(QString(t.file) == "r" ? path + ".csv" : path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << t.file;
        EXPECT_TRUE(file.readAll().startsWith(t.begins)) << t.file;
    }
    EXPECT_EQ(ui.fileTypesOffered,
        (QStringList { "JSON report (*.json)", "CSV table (*.csv)", "JUnit XML (*.xml)", "HTML page (*.html)" }));
    // A file that cannot be written is said so.
    ui.queueTypedFileName(UiServices::TypedFileName { m_dir.filePath("no/such/dir/r.json"), 0 });
    w->saveButton()->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].startsWith("The report could not be written to ")) << ui.messages[0].toStdString();
}

// Stop and closing the window end a long run at once: while a writer waits
// for a line that never lets it send (its write would wait for over 4 s),
// and while the ports are still opening on remote servers that never answer
// (each open would wait seconds for them). Opened ports are closed (they
// open again), the results stay.
TEST_F(VerifyPorts, StopAndCloseEndALongRunAtOnceWithThePortsClosed)
{
    struct StopCase {
        const char* name;
        bool byClose;
        std::optional<Silence> remote; // the ports are remote and their servers silent
    };
    const StopCase cases[] = {
        { "stop, writer held", false, std::nullopt },
        { "close, writer held", true, std::nullopt },
        { "stop, remote opens", false, Silence::NoAnswer },
        { "close, remote opens", true, Silence::NoHandshake },
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        install("nocts=COM3");
        std::optional<SilentServer> server;
        if (c.remote) {
            server.emplace(*c.remote);
            for (int n = 20; n < 24; ++n)
                ASSERT_FALSE(m_ns->define("COM" + std::to_string(n), server->target()));
        }
        QPointer<VerifyWindow> w = start([&](VerifyPortsDlg& d) {
            d.rangeChoice()->setChecked(true);
            d.firstField()->setValue(c.remote ? 20 : 3);
            d.countField()->setValue(c.remote ? 4 : 16);
            d.lineControls()->baudField()->setText("110");
            d.lineControls()->rtsCtsCheck()->setChecked(true);
            d.durationChoice()->setChecked(true);
            d.durationField()->setValue(3600);
        });
        ASSERT_TRUE(w);
        if (c.remote)
            ASSERT_TRUE(settle([&] { return server->connecting(); }));
        else
            ASSERT_TRUE(settle([&] { return cell(1, PortResultsModel::Received).toULongLong() > 0; }));
        const auto at = std::chrono::steady_clock::now();
        if (c.byClose) {
            w->close();
            EXPECT_TRUE(settle([&] { return w.isNull(); }, std::chrono::seconds(10)));
        } else {
            w->stopButton()->click();
            ASSERT_TRUE(settle([&] { return done(w); }, std::chrono::seconds(10)));
            EXPECT_EQ(cell(1, PortResultsModel::Result), "fail: interrupted");
            // Stopped ports found nothing wrong, but they did not pass either.
            const std::string notFinished = c.remote ? "4 not finished, " : "16 not finished, ";
            EXPECT_TRUE(w->summary()->text().startsWith(QString::fromStdString("0 passing, 0 failing, " + notFinished)))
                << w->summary()->text().toStdString();
            EXPECT_TRUE(w->summary()->text().endsWith(", stopped")) << w->summary()->text().toStdString();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - at, std::chrono::seconds(2));
        if (!c.remote) {
            if (w) EXPECT_GT(cell(1, PortResultsModel::Sent).toULongLong(), 0u);
            if (w) EXPECT_EQ(w->overview()->tile(1)->accessibleName(), "COM4, stopped");
            for (int n = 3; n <= 18; ++n)
                EXPECT_TRUE(m_ns->open("COM" + std::to_string(n), portio::Access::ReadWrite)) << n;
        }
        if (w) w->close();
    }
}

// The dialog starts from the last choices made with OK, and every control
// of the dialog and of the window has an accessible name. A skipped
// modem-line check lets ports whose CTS never follows pass, and says so.
TEST_F(VerifyPorts, TheDialogRemembersTheLastChoicesAndEveryControlIsNamed)
{
    install("wiring=pairs,nocts=COM3");
    start([](VerifyPortsDlg& d) {
        listAndBytes(d, "COM3,COM4", "1000");
        d.lineControls()->parityList()->setCurrentIndex(1);
        d.wiringField()->setCurrentText("pairs");
        d.modemLinesField()->setCurrentIndex(1);
    });
    ASSERT_TRUE(m_window && settle([&] { return done(m_window); }));
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(cell(row, PortResultsModel::ModemLines), "skipped") << row;
        EXPECT_EQ(cell(row, PortResultsModel::Result), "pass") << row;
    }
    QStringList unnamed;
    const auto check = [&](QWidget& top) {
        for (QWidget* w : top.findChildren<QWidget*>())
            if (w->isVisibleTo(&top) && w->focusPolicy() != Qt::NoFocus && w->accessibleName().isEmpty())
                unnamed << QString::fromLatin1(w->metaObject()->className()) + " " + w->objectName();
    };
    check(*m_window);
    ui.queueDialog([&](QDialog& d) {
        auto& dlg = static_cast<VerifyPortsDlg&>(d);
        EXPECT_TRUE(dlg.listChoice()->isChecked());
        EXPECT_EQ(dlg.listField()->text(), "COM3,COM4");
        EXPECT_EQ(dlg.lineControls()->baudField()->text(), "921600");
        EXPECT_EQ(dlg.lineControls()->parityList()->currentText(), "Even");
        EXPECT_EQ(dlg.wiringField()->currentText(), "pairs");
        EXPECT_EQ(dlg.modemLinesField()->currentIndex(), 1);
        EXPECT_TRUE(dlg.bytesChoice()->isChecked());
        EXPECT_EQ(dlg.bytesField()->text(), "1000");
        check(dlg);
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(m_command->run(nullptr), nullptr);
    EXPECT_EQ(ui.dialogsRun, 2);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
}

struct Refusal {
    const char* name;
    std::function<void(VerifyPortsDlg&)> fill;
    const char* message;
};

// A choice that describes no run is refused with its reason; the dialog
// stays open, nothing runs, and the remembered choices stay as they were.
TEST_F(VerifyPorts, ChoicesThatDescribeNoRunAreRefusedWithTheirReason)
{
    install("");
    const Refusal refusals[] = {
        { "baud", [](VerifyPortsDlg& d) { d.lineControls()->baudField()->setText("fast"); },
            "Please enter an integer." },
        { "zero baud", [](VerifyPortsDlg& d) { d.lineControls()->baudField()->setText("0"); },
            "The baud rate must be 1 or more." },
        { "both flows",
            [](VerifyPortsDlg& d) {
                d.lineControls()->rtsCtsCheck()->setChecked(true);
                d.lineControls()->xonXoffCheck()->setChecked(true);
            },
            "Choose RTS/CTS or XON/XOFF, not both." },
        { "bytes",
            [](VerifyPortsDlg& d) {
                d.bytesChoice()->setChecked(true);
                d.bytesField()->setText("0");
            },
            "Enter the bytes per port as a whole number, 1 or more." },
        { "list",
            [](VerifyPortsDlg& d) {
                d.listChoice()->setChecked(true);
                d.listField()->setText("");
            },
            nullptr },
        { "wiring", [](VerifyPortsDlg& d) { d.wiringField()->setCurrentText("crossed"); }, nullptr },
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        ui.messages.clear();
        ui.queueDialog([&](QDialog& d) {
            auto& dlg = static_cast<VerifyPortsDlg&>(d);
            dlg.show();
            r.fill(dlg);
            dlg.okButton()->click();
            EXPECT_TRUE(dlg.isVisible());
            EXPECT_FALSE(dlg.plan());
            dlg.cancelButton()->click();
            return dlg.result();
        });
        EXPECT_EQ(m_command->run(nullptr), nullptr);
        ASSERT_EQ(ui.messages.size(), 1);
        if (r.message) {
            EXPECT_EQ(ui.messages[0], r.message);
        } else {
            EXPECT_FALSE(ui.messages[0].isEmpty());
        }
        EXPECT_EQ(m_command->lastChoices().line, VerifyChoices().line);
    }
}

// The dump starts at the offset of its first byte and brackets the first
// wrong one, also when the error comes before 8 bytes have arrived.
TEST(FirstErrorDump, RowsStartAtTheirOffsetAndMarkTheFirstWrongByte)
{
    const struct {
        verify::FirstError error;
        const char* expected;
        const char* received;
    } cases[] = {
        { { 100, "01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10", "01 02 03 04 05 06 07 08 ff 0a 0b 0c 0d 0e 0f 10" },
            "expected         92  01 02 03 04 05 06 07 08 [09] 0a 0b 0c 0d 0e 0f 10",
            "received         92  01 02 03 04 05 06 07 08 [ff] 0a 0b 0c 0d 0e 0f 10" },
        { { 2, "41 42 43 44 45 46 47 48 49 4a", "41 42 00 44" }, "expected          0  41 42 [43] 44 45 46 47 48 49 4a",
            "received          0  41 42 [00] 44" },
        { { 0, "aa bb cc dd ee ff 00 11", "ab" }, "expected          0  [aa] bb cc dd ee ff 00 11",
            "received          0  [ab]" },
    };
    for (const auto& c : cases) {
        const QStringList rows = firstErrorDump(c.error).split('\n');
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(rows[0], c.expected);
        EXPECT_EQ(rows[1], c.received);
    }
}

} // namespace
