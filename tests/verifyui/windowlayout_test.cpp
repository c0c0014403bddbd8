// The Verify Ports window after a 96-port run in which COM7 drops bytes: the
// table sorts COM names by number; at its default size on a 1280x1024 and a
// 1024x768 screen every column heading shows whole; the selected port's rate
// chart holds its timeline with COM7's events; "Save Report..." writes the
// HTML page.
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/qtfits.h"
#include "tests/support/waitfor.h"
#include "vboard/boardconfig.h"
#include "vboard/boardinstall.h"
#include "verifyui/portresultsmodel.h"
#include "verifyui/ratechart.h"
#include "verifyui/verifychoices.h"
#include "verifyui/verifywindow.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace verifyui;

namespace {

class VerifyWindowLayout : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_ns = new portio::DeviceNamespace;
        auto config = vboard::parseBoardOption("queue=65536,drop=COM7:0.01");
        ASSERT_TRUE(config) << config.error().text;
        vboard::installVirtualBoard(*s_ns, *config);
        VerifyPlan plan;
        for (int n = 3; n <= 98; ++n)
            plan.ports.push_back("COM" + std::to_string(n));
        plan.sources.resize(plan.ports.size());
        for (size_t i = 0; i < plan.sources.size(); ++i)
            plan.sources[i] = int(i);
        plan.settings.line.baud = 921600;
        plan.settings.bytes = 8192;
        plan.settings.minRate = 0;
        plan.settings.latencySamples = 2;
        s_window = new VerifyWindow(*s_ns, plan, s_ui);
        s_window->start();
        ASSERT_TRUE(waitFor(
            [] {
                QApplication::processEvents();
                return s_window->saveButton()->isEnabled();
            },
            std::chrono::seconds(60)));
    }
    static void TearDownTestSuite()
    {
        delete s_window;
        delete s_ns;
    }

    static std::string sortedPorts(Qt::SortOrder order)
    {
        QTableView* table = s_window->table();
        table->sortByColumn(PortResultsModel::Port, order);
        QStringList ports;
        for (int row = 0; row < 4; ++row)
            ports << table->model()->index(row, PortResultsModel::Port).data().toString();
        return ports.join(',').toStdString();
    }

    static inline FakeUiServices s_ui;
    static inline portio::DeviceNamespace* s_ns = nullptr;
    static inline VerifyWindow* s_window = nullptr;
};

TEST_F(VerifyWindowLayout, SortsComNamesByNumber)
{
    const QAbstractItemModel* shown = s_window->table()->model();
    EXPECT_EQ(shown->index(0, PortResultsModel::Port).data().toString().toStdString(), "COM3")
        << "COM3 first at the start";
    EXPECT_EQ(shown->index(7, PortResultsModel::Port).data().toString().toStdString(), "COM10");
    EXPECT_EQ(sortedPorts(Qt::AscendingOrder), "COM3,COM4,COM5,COM6");
    EXPECT_EQ(sortedPorts(Qt::DescendingOrder), "COM98,COM97,COM96,COM95");
    s_window->table()->sortByColumn(PortResultsModel::Port, Qt::AscendingOrder);
    EXPECT_EQ(s_window->table()->model()->index(7, PortResultsModel::Port).data().toString().toStdString(), "COM10");
}

TEST_F(VerifyWindowLayout, EveryColumnHeadingShowsAtTheDefaultSizes)
{
    for (const QSize screen : { QSize(1280, 1024), QSize(1024, 768) }) {
        const QSize size = VerifyWindow::defaultSizeFor(screen);
        EXPECT_LE(size.width(), screen.width());
        EXPECT_LE(size.height(), screen.height());
        s_window->resize(size);
        s_window->show();
        ASSERT_TRUE(waitFor([&] {
            QApplication::processEvents();
            return s_window->isVisible() && s_window->size() == size;
        }));
        QApplication::processEvents();
        EXPECT_EQ(cutHeadings(s_window->table()).join("; ").toStdString(), "") << screen.width();
        EXPECT_EQ(cutTexts(s_window).join("; ").toStdString(), "") << screen.width();
        // The first error and the chart show beside each other under the table.
        EXPECT_GE(s_window->rateChart()->height(), s_window->rateChart()->minimumSizeHint().height());
        EXPECT_GE(s_window->table()->viewport()->height(), 8 * s_window->table()->rowHeight(0)) << screen.width();
    }
}

TEST_F(VerifyWindowLayout, TheChartShowsTheSelectedPortsTimelineAndEvents)
{
    const int com7 = s_window->rowOf("COM7");
    ASSERT_EQ(com7, 4);
    s_window->selectPort(com7);
    const RateChart* chart = s_window->rateChart();
    EXPECT_EQ(chart->port(), "COM7");
    const auto& t = chart->timeline();
    ASSERT_FALSE(t.bytes.empty());
    uint64_t bytes = 0;
    for (uint64_t b : t.bytes)
        bytes += b;
    const verify::PortReport* report = s_window->model()->reportAt(com7);
    ASSERT_TRUE(report);
    EXPECT_EQ(bytes, report->bytesReceived);
    ASSERT_FALSE(t.events.empty());
    EXPECT_EQ(t.events.front().kind, verify::EventKind::Lost);
    EXPECT_TRUE(chart->accessibleDescription().startsWith("COM7: ")) << chart->accessibleDescription().toStdString();
    s_window->selectPort(s_window->rowOf("COM3"));
    EXPECT_EQ(chart->port(), "COM3");
    EXPECT_TRUE(chart->timeline().events.empty());
}

TEST_F(VerifyWindowLayout, SaveReportWritesTheHtmlPage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("run");
    s_ui.queueTypedFileName(UiServices::TypedFileName { path, 3 });
    s_window->saveButton()->click();
    QFile file(path + ".html");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(page.contains("<h1 id=\"verdict\">FAIL</h1>"));
    EXPECT_TRUE(page.contains("<tr class=\"fail\" data-port=\"COM7\">")) << "COM7 in the failing ports";
}

// While the run goes on, the chart of the selected port grows with it.
TEST(VerifyWindowLive, TheSelectedPortsChartGrowsWhileTheRunGoesOn)
{
    portio::DeviceNamespace ns;
    auto config = vboard::parseBoardOption("ports=4,queue=65536");
    ASSERT_TRUE(config) << config.error().text;
    vboard::installVirtualBoard(ns, *config);
    VerifyPlan plan;
    plan.ports = { "COM3", "COM4", "COM5", "COM6" };
    plan.sources = { 0, 1, 2, 3 };
    plan.settings.duration = std::chrono::seconds(120);
    plan.settings.latencySamples = 1;
    FakeUiServices ui;
    VerifyWindow window(ns, plan, ui);
    window.start();
    window.selectPort(2);
    const auto grown = [&] {
        QApplication::processEvents();
        return window.rateChart()->port() == "COM5" && window.rateChart()->timeline().bytes.size() >= 3;
    };
    ASSERT_TRUE(waitFor(grown, std::chrono::seconds(30)));
    EXPECT_FALSE(window.model()->reportAt(2)) << "still running";
    EXPECT_GT(window.rateChart()->timeline().bytes[1], 0u);
    window.stop();
    EXPECT_TRUE(waitFor(
        [&] {
            QApplication::processEvents();
            return window.finished();
        },
        std::chrono::seconds(30)));
}

} // namespace
