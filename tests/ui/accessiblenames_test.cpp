// Every control a person can reach or read has an accessible name: screen
// readers announce it and automation finds controls by it.
#include "realapp.h"

#include "consoleui/recview.h"
#include "consoleui/sendingdatadlg.h"
#include "consoleui/statusbar.h"
#include "consoleui/vesperlineview.h"
#include "portsel/portsettingsdlg.h"
#include "session/portcontext.h"
#include "shell/aboutdlg.h"
#include "shell/mainframe.h"
#include "torture/tortureparamsdlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QStatusBar>

#include <functional>
#include <memory>

namespace {

// Shows text or takes the focus: a person (or a screen reader) meets it.
bool meetsAPerson(QWidget* w)
{
    if (w->focusPolicy() != Qt::NoFocus) return true;
    if (auto* label = qobject_cast<QLabel*>(w)) return !label->text().isEmpty() || !label->pixmap().isNull();
    return qobject_cast<QAbstractButton*>(w) != nullptr;
}

// The window and those of its visible children that a person meets; their
// names, or "<class> '<text>' has no name" for each without one.
QStringList unnamed(QWidget& window, int& checked)
{
    QList<QWidget*> controls { &window };
    for (QWidget* w : window.findChildren<QWidget*>())
        if (w->isVisibleTo(&window) && meetsAPerson(w)) controls << w;
    checked = int(controls.size());
    QStringList missing;
    for (QWidget* w : controls) {
        if (!w->accessibleName().isEmpty()) continue;
        const auto* label = qobject_cast<QLabel*>(w);
        const auto* button = qobject_cast<QAbstractButton*>(w);
        missing << QStringLiteral("%1 '%2' (%3) has no name")
                       .arg(QString::fromLatin1(w->metaObject()->className()),
                           label        ? label->text()
                               : button ? button->text()
                                        : QString(),
                           w->objectName());
    }
    return missing;
}

using AccessibleNames = RealApp;

TEST_F(AccessibleNames, EveryControlOfEveryDialogIsNamed)
{
    PortContext ctx;
    const struct {
        const char* dialog;
        std::function<std::unique_ptr<QWidget>()> make;
        int controls; // at least: the window and what a person meets in it
    } cases[] = {
        { "port settings", [&] { return std::make_unique<CPortSettingsDlg>(PortLineSettings {}, "Thread 1", ui); },
            1 + 9 + 5 },
        { "torture parameters", [] { return std::make_unique<CTortureParamsDlg>(); }, 1 + 3 + 3 + 2 },
        { "about box", [] { return std::make_unique<CAboutDlg>(); }, 1 + 1 + 6 + 1 },
        { "sending data", [] { return std::make_unique<SendingDataDlg>(); }, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dialog);
        std::unique_ptr<QWidget> window = c.make();
        window->show();
        int checked = 0;
        const QStringList missing = unnamed(*window, checked);
        EXPECT_TRUE(missing.isEmpty()) << missing.join("\n").toStdString();
        EXPECT_GE(checked, c.controls);
    }
}

TEST_F(AccessibleNames, PanesAndStatusBarOfTheMainWindow)
{
    EXPECT_EQ(view().accessibleName().toStdString(), "Console");
    EXPECT_EQ(pane().accessibleName().toStdString(), "Received data");
    QStringList names;
    for (auto* label : frame().statusBar()->findChildren<QLabel*>())
        if (label->isVisibleTo(frame().statusBar())) names << label->accessibleName();
    EXPECT_EQ(names.join(", ").toStdString(),
        "Message area, Caps Lock indicator, Num Lock indicator, Scroll Lock indicator, Capture indicator");
    EXPECT_EQ(g_pStatusBar->paneText(CStatusBar::CapturePane).toStdString(),
        "CAPTURE NOT ACTIVE"); // the visible text is unchanged
}

} // namespace
