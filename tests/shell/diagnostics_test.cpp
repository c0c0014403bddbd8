// The "Diagnostics" menu: present with --diagnostics, absent without, and its
// items reach the active console window's commands.
#include "appfixture.h"

#include "shell/diagnosticsmenu.h"

#include "res/texts.h"

#include <QAction>
#include <QMenu>

namespace {

class Diagnostics : public AppTest {
protected:
    QMenu* menuTitled(const QString& title)
    {
        for (QMenu* menu : frame().currentMenus())
            if (menu->title() == title) return menu;
        return nullptr;
    }
};

TEST_F(Diagnostics, WithoutTheFlagThereIsNoMenu)
{
    start({ "/Embedding" });
    ASSERT_FALSE(frame().frames().isEmpty());
    EXPECT_EQ(menuTitled("Diagnostics"), nullptr);
}

TEST_F(Diagnostics, TheFlagAddsTheNineCommandsWithTheirIdsAheadOfHelp)
{
    start({ "/Embedding", "--diagnostics" });
    QMenu* menu = menuTitled("Diagnostics");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(frame().currentMenus().last()->title(), "&Help");

    const QList<QAction*> actions = menu->actions();
    const QList<int> ids { 32782, 32783, 32785, 32786, 32787, 32788, 32789, 32794, 32795 };
    ASSERT_EQ(actions.size(), ids.size());
    for (qsizetype i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(actions[i]->data().toInt(), ids[i]);
        EXPECT_TRUE(actions[i]->text().endsWith(QStringLiteral("(%1)").arg(ids[i])))
            << actions[i]->text().toStdString();
    }
    EXPECT_EQ(actions.first()->text(), "Install profile N (32782)");
}

TEST_F(Diagnostics, ItemsRunOnTheActiveConsoleWindow)
{
    start({ "/Embedding", "--diagnostics" });
    QMenu* menu = menuTitled("Diagnostics");
    ASSERT_NE(menu, nullptr);
    menu->actions().first()->trigger(); // install profile N on an unconnected window
    EXPECT_EQ(ui.messages, QStringList { txt::NoPortConnected });
}

TEST_F(Diagnostics, TheMenuStaysWithTheConsoleMenusOnly)
{
    start({ "/Embedding", "--diagnostics" });
    for (CSplitterFrame* f : frame().frames())
        f->close();
    flushDeletes();
    ASSERT_TRUE(frame().frames().isEmpty());
    EXPECT_EQ(menuTitled("Diagnostics"), nullptr);
    frame().OnFileNew();
    EXPECT_NE(menuTitled("Diagnostics"), nullptr);
}

} // namespace
