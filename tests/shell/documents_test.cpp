// Window titles across New and Close, Save and Open, and closing without asking.
#include "appfixture.h"

#include "consoleui/vesperlineview.h"
#include "res/commandids.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST_F(AppTest, TitlesFollowTheCountOfOpenDocuments)
{
    start();
    frame().sendCommand(cmd::ID_FILE_NEW);
    frame().sendCommand(cmd::ID_FILE_NEW);
    ASSERT_EQ(titles(), (QStringList { "Thread 1", "Thread 2", "Thread 3" }));
    frame().frames().front()->close();
    flushDeletes();
    ASSERT_EQ(titles(), (QStringList { "Thread 2", "Thread 3" }));
    EXPECT_EQ(g_threadCount, 2);
    frame().sendCommand(cmd::ID_FILE_NEW);
    EXPECT_EQ(titles(), (QStringList { "Thread 2", "Thread 3", "Thread 3" }));
}

TEST_F(AppTest, ClosingAndExitingNeverAskToSave)
{
    start();
    frame().activeView()->setPlainText("typed text");
    frame().sendCommand(cmd::ID_FILE_NEW);
    EXPECT_TRUE(frame().sendCommand(cmd::ID_APP_EXIT));
    flushDeletes();
    EXPECT_TRUE(frame().frames().isEmpty());
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(ui.fileDialogsRun, 0);
    EXPECT_FALSE(frame().isVisible());
}

// Exit while the second window's command waits on its port: nothing closes,
// neither that window nor the first, and the main window stays.
TEST_F(AppTest, ExitIsRefusedWhileAnyWindowWaitsOnItsPort)
{
    start();
    frame().sendCommand(cmd::ID_FILE_NEW);
    CVesperlineView* waiting = frame().activeView();
    std::atomic<bool> tried { false };
    bool exited = true;
    QTimer::singleShot(0, [&] {
        exited = frame().close();
        tried = true;
    });
    waiting->runWaiting([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!tried && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 0;
    });
    EXPECT_TRUE(tried);
    EXPECT_FALSE(exited);
    EXPECT_EQ(titles(), (QStringList { "Thread 1", "Thread 2" }));
    EXPECT_TRUE(frame().isVisible());
}

TEST_F(AppTest, SaveWritesAnEmptyFile)
{
    start();
    QTemporaryDir dir;
    const QString path = dir.filePath("session.vsl");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content");
    }
    frame().activeView()->setPlainText("typed text");
    ui.queueFileName(path);
    frame().sendCommand(cmd::ID_FILE_SAVE);
    EXPECT_EQ(ui.fileDialogsRun, 1);
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST_F(AppTest, CancelledSaveWritesNothing)
{
    start();
    ui.queueFileName(std::nullopt);
    frame().sendCommand(cmd::ID_FILE_SAVE);
    EXPECT_EQ(titles(), QStringList { "Thread 1" });
}

TEST_F(AppTest, OpenBuildsAWindowTitledByTheFileWithoutRaisingTheCount)
{
    start();
    QTemporaryDir dir;
    const QString path = dir.filePath("bench-notes.txt");
    QFile(path).open(QIODevice::WriteOnly);
    ui.queueFileName(path);
    frame().sendCommand(cmd::ID_FILE_OPEN);
    EXPECT_EQ(titles(), (QStringList { "Thread 1", "bench-notes.txt" }));
    EXPECT_EQ(g_threadCount, 1);
    EXPECT_EQ(frame().activeFrame()->windowTitle(), "bench-notes.txt");
    // Its closing still lowers the count, as the framework's documents do.
    frame().activeFrame()->close();
    flushDeletes();
    EXPECT_EQ(g_threadCount, 0);
    frame().sendCommand(cmd::ID_FILE_NEW);
    EXPECT_EQ(titles(), (QStringList { "Thread 1", "Thread 1" }));
}

TEST_F(AppTest, FileOnTheCommandLineOpensInsteadOfNew)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.vsl");
    QFile(path).open(QIODevice::WriteOnly);
    start({ path });
    EXPECT_EQ(titles(), QStringList { "x.vsl" });
}

TEST_F(AppTest, CaptionFollowsTheDocumentTitle)
{
    start();
    CVesperlineView* view = frame().activeView();
    view->setDocumentTitle("Thread 1 connected to COM3");
    EXPECT_EQ(view->documentTitle(), "Thread 1 connected to COM3");
    EXPECT_EQ(frame().activeFrame()->windowTitle(), "Thread 1 connected to COM3");
}

} // namespace
