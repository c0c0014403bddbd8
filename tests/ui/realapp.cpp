#include "realapp.h"

#include "tests/console/uiwait.h"

#include "consoleui/recview.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "shell/mainframe.h"
#include "shell/splitterframe.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>

#include <cstdlib>

void RealApp::SetUpTestSuite()
{
    static QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", qPrintable(config.path()), 1);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("VesperlineTest");
    QCoreApplication::setApplicationName("VesperlineTest");
    // Qt's own dialogs, whose fields and buttons a test can reach, also where
    // the desktop would offer its native ones.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void RealApp::SetUp()
{
    app = std::make_unique<CVesperlineApp>(ui);
    const QString map = QStringLiteral("%1=%2").arg(PeerPort, QString::fromStdString(peer.devicePath()));
    ASSERT_TRUE(app->InitInstance({ "vesperline", "--map", map }));
    ASSERT_NE(frame().activeView(), nullptr);
}

void RealApp::TearDown()
{
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

CMainFrame& RealApp::frame() const
{
    return *app->mainFrame();
}

CVesperlineView& RealApp::view() const
{
    return *frame().activeView();
}

CRecView& RealApp::pane() const
{
    return *frame().activeFrame()->m_pRecView;
}

void RealApp::choose(int id)
{
    QAction* action = frame().action(id);
    ASSERT_NE(action, nullptr) << id;
    ASSERT_TRUE(action->isEnabled()) << action->text().toStdString();
    action->trigger();
}

void RealApp::connectToPeer()
{
    ModalScript script;
    script.then("port settings dialog", isPortDialog(), choosePort(PeerPort));
    choose(cmd::ID_CONNECT_PORT);
    EXPECT_TRUE(script.problems().isEmpty()) << script.problems().join("\n").toStdString();
    ASSERT_TRUE(view().m_portCtx.isConnected);
}

bool RealApp::paneShows(const QString& text)
{
    return uiWaitFor([&] { return pane().toPlainText().contains(text); });
}

QString RealApp::statusMessage() const
{
    return frame().statusBar()->currentMessage();
}
