// What the user sees after start-up: one console window, its panes, the
// status bar and the menus of both states.
#include "appfixture.h"

#include "consoleui/recview.h"
#include "consoleui/statusbar.h"
#include "consoleui/vesperlineview.h"
#include "res/commandids.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QSplitter>

namespace {

QStringList menuTitles(const QList<QMenu*>& menus)
{
    QStringList t;
    for (auto* m : menus)
        t << m->title();
    return t;
}

QStringList itemTexts(QMenu* menu)
{
    QStringList t;
    for (auto* a : menu->actions())
        t << (a->isSeparator() ? QStringLiteral("-") : a->text() + "|" + a->statusTip());
    return t;
}

TEST_F(AppTest, StartsWithThreadOneConsoleLeftReceiveRight)
{
    start();
    ASSERT_EQ(titles(), QStringList { "Thread 1" });
    EXPECT_EQ(g_threadCount, 1);
    CSplitterFrame* f = frame().frames().front();
    EXPECT_EQ(frame().activeFrame(), f);
    EXPECT_EQ(frame().activeView(), f->m_pConsoleView);
    EXPECT_EQ(f->m_wndSplitter->widget(0), f->m_pConsoleView);
    EXPECT_TRUE(f->m_wndSplitter->widget(1)->isAncestorOf(f->m_pRecView)); // under its view bar
    EXPECT_EQ(f->m_pConsoleView->m_pSplitFrame, f);
    EXPECT_EQ(f->m_wndSplitter->sizes().front(), CSplitterFrame::InitialConsoleWidth);
    EXPECT_EQ(f->focusProxy(), f->m_pConsoleView);
    EXPECT_EQ(frame().windowTitle(), "Vesperline - Thread 1");
}

TEST_F(AppTest, StatusBarPanes)
{
    start();
    ASSERT_NE(g_pStatusBar, nullptr);
    EXPECT_EQ(g_pStatusBar->paneText(0), "Ready");
    EXPECT_EQ(g_pStatusBar->paneText(1), "CAP");
    EXPECT_EQ(g_pStatusBar->paneText(2), "NUM");
    EXPECT_EQ(g_pStatusBar->paneText(3), "SCRL");
    EXPECT_EQ(g_pStatusBar->paneText(4), "CAPTURE NOT ACTIVE");
    g_pStatusBar->SetPaneText(4, "CAPTURE IS ACTIVE");
    EXPECT_EQ(g_pStatusBar->paneText(4), "CAPTURE IS ACTIVE");
}

TEST_F(AppTest, MenuBarFollowsWhetherAConsoleWindowIsOpen)
{
    start();
    EXPECT_EQ(menuTitles(frame().currentMenus()),
        (QStringList { "&File", "&View", "Options", "Torture &Test", "&Window", "&Help" }));
    frame().sendCommand(cmd::ID_FILE_CLOSE);
    flushDeletes();
    EXPECT_TRUE(frame().frames().isEmpty());
    const auto menus = frame().currentMenus();
    ASSERT_EQ(menuTitles(menus), (QStringList { "&File", "&View", "&Help" }));
    EXPECT_EQ(itemTexts(menus[0]), (QStringList { "&New\tCtrl+N|", "-", "E&xit|" }));
    EXPECT_EQ(itemTexts(menus[1]), QStringList { "&Status Bar|" });
    EXPECT_EQ(itemTexts(menus[2]), QStringList { "&About Vesperline...|" });
    EXPECT_EQ(frame().windowTitle(), "Vesperline");
    frame().sendCommand(cmd::ID_FILE_NEW);
    EXPECT_EQ(menuTitles(frame().currentMenus()).size(), 6);
}

TEST_F(AppTest, ConsoleMenuItemsTextsAndPrompts)
{
    start();
    const auto menus = frame().currentMenus();
    ASSERT_EQ(menus.size(), 6);
    EXPECT_EQ(itemTexts(menus[0]), (QStringList { "&New\tCtrl+N|", "&Close|", "-", "E&xit|" }));
    EXPECT_EQ(itemTexts(menus[2]),
        (QStringList { "Connect Port...|Opens a port  and attaches it to the active window",
            "Disconnect Port|Disconnects the port that was previously attached to this thread", "-",
            "Send 10K|Sends a string of 10K  ", "Receive 2K|Creates a new thread and reads 2K from the selected port",
            "Send Immediate |Sends a char", "Send a fixed string|", "-", "Assert RTS|", "Drop RTS|", "Assert DTR|",
            "Drop DTR|", "-", "Start Capture...|Receives a file as binary data",
            "Stop Capture...|Selects a file to be sent as binary data", "Send data from file...|" }));
    EXPECT_EQ(itemTexts(menus[3]),
        (QStringList { "Port Parameters|", "Start Test|", "Stop Test|", "-",
            "Verify Ports...|Sends a checked pattern through many ports at once and shows which ones fail" }));
    EXPECT_EQ(itemTexts(menus[4]), (QStringList { "&Cascade|", "&Tile|", "&Arrange Icons|" }));
    emit menus[4]->aboutToShow();
    EXPECT_EQ(menus[4]->actions().last()->text(), "&1 Thread 1");
}

TEST_F(AppTest, AcceleratorsOfTheTable)
{
    start();
    auto keys = [&](int id) {
        QStringList k;
        for (const auto& s : frame().action(id)->shortcuts())
            k << s.toString(QKeySequence::PortableText);
        return k;
    };
    EXPECT_EQ(keys(cmd::ID_FILE_NEW), QStringList { "Ctrl+N" });
    EXPECT_EQ(keys(cmd::ID_FILE_OPEN), QStringList { "Ctrl+O" });
    EXPECT_EQ(keys(cmd::ID_FILE_SAVE), QStringList { "Ctrl+S" });
    EXPECT_EQ(keys(cmd::ID_EDIT_UNDO), (QStringList { "Ctrl+Z", "Alt+Backspace" }));
    EXPECT_EQ(keys(cmd::ID_EDIT_CUT), (QStringList { "Ctrl+X", "Shift+Del" }));
    EXPECT_EQ(keys(cmd::ID_EDIT_COPY), (QStringList { "Ctrl+C", "Ctrl+Ins" }));
    EXPECT_EQ(keys(cmd::ID_EDIT_PASTE), (QStringList { "Ctrl+V", "Shift+Ins" }));
    EXPECT_EQ(keys(cmd::ID_NEXT_PANE), QStringList { "F6" });
    EXPECT_EQ(keys(cmd::ID_PREV_PANE), QStringList { "Shift+F6" });
}

TEST_F(AppTest, F6MovesTheFocusBetweenThePanes)
{
    start();
    QApplication::setActiveWindow(&frame());
    CSplitterFrame* f = frame().activeFrame();
    f->m_pConsoleView->setFocus();
    ASSERT_TRUE(f->m_pConsoleView->hasFocus());
    frame().sendCommand(cmd::ID_NEXT_PANE);
    EXPECT_TRUE(f->m_pRecView->hasFocus());
    frame().sendCommand(cmd::ID_PREV_PANE);
    EXPECT_TRUE(f->m_pConsoleView->hasFocus());
}

TEST_F(AppTest, ConsoleCommandsWithoutHandlersDoNothingAndAreGreyed)
{
    start();
    EXPECT_FALSE(frame().sendCommand(99999));
    const auto menus = frame().currentMenus();
    emit menus[2]->aboutToShow();
    for (auto* a : menus[2]->actions()) {
        if (a->isSeparator()) continue;
        const int id = a->data().toInt();
        EXPECT_EQ(a->isEnabled(), frame().activeView()->hasCommand(id)) << id;
        if (!a->isEnabled()) EXPECT_FALSE(frame().sendCommand(id)) << id;
    }
}

} // namespace
