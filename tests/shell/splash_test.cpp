#include "shell/commandline.h"
#include "shell/splashwnd.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/waitfor.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// What the application does: every event passes the splash first, then goes on.
class SplashFilter : public QObject {
protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        SplashFilterMessage(target, event);
        return false;
    }
};

// A widget under the splash that counts what reaches it.
class Target : public QWidget {
public:
    int presses = 0;
    int keys = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

int splashWindowsAlive()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (dynamic_cast<CSplashWnd*>(widget) && widget->isVisible()) ++count;
    }
    return count;
}

void send(QObject* target, QEvent&& event)
{
    QApplication::sendEvent(target, &event);
}

QMouseEvent mouse(QEvent::Type type)
{
    return QMouseEvent(type, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
}

class Splash : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSplash();
        qApp->installEventFilter(&m_filter);
        m_target.resize(200, 100);
        m_target.show();
    }
    void TearDown() override
    {
        qApp->removeEventFilter(&m_filter);
        ResetSplash();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    FakeUiServices m_ui;
    SplashFilter m_filter;
    Target m_target;
};

TEST_F(Splash, ShowsTheBundledBitmapCentredWithoutAFrame)
{
    ShowSplash(&m_target);
    ASSERT_NE(g_pSplashWnd, nullptr);
    EXPECT_TRUE(g_pSplashWnd->isVisible());
    EXPECT_EQ(g_pSplashWnd->size(), QSize(520, 317));
    EXPECT_TRUE(g_pSplashWnd->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(g_pSplashWnd->isWindow());
    m_target.hide(); // a hidden owner: the middle of the screen
    ResetSplash();
    ShowSplash(&m_target);
    ASSERT_NE(g_pSplashWnd, nullptr);
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((g_pSplashWnd->geometry().center() - centre).manhattanLength(), 2);
}

TEST_F(Splash, BundledBitmapIsAnUncompressedSixteenColourBmp)
{
    QFile file(":/splash.bmp");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bmp = file.readAll();
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(bmp.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(bmp.constData() + at); };
    ASSERT_EQ(bmp.size(), 14 + 82524); // file header + the bitmap itself
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(u32(10), 14u + 40 + 64u); // pixels right after the palette
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 520u);
    EXPECT_EQ(u32(22), 317u); // positive: bottom-up rows
    EXPECT_EQ(u16(28), 4u);
    EXPECT_EQ(u32(30), 0u); // BI_RGB
    EXPECT_EQ(u32(34), 260u * 317);
}

struct FlagCase {
    QStringList flags;
    bool shown;
};

class SplashFlags : public Splash, public ::testing::WithParamInterface<FlagCase> { };

// The start-up sequence: the command line decides, then the main frame asks for the splash.
TEST_P(SplashFlags, OnlyEmbeddingAndAutomationSuppressIt)
{
    SetSplashEnabled(parseCommandLine(QStringList { "vesperline" } + GetParam().flags).showSplash);
    ShowSplash(&m_target);
    EXPECT_EQ(g_pSplashWnd != nullptr, GetParam().shown) << GetParam().flags.join(' ').toStdString();
    EXPECT_EQ(splashWindowsAlive(), GetParam().shown ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, SplashFlags,
    ::testing::Values(FlagCase { { "/Embedding" }, false }, FlagCase { { "-automation" }, false },
        FlagCase { { "/EMBEDDING" }, false }, FlagCase { { "-Automation", "/p" }, false }, FlagCase { { "/p" }, true },
        FlagCase { { "/dde" }, true }, FlagCase { {}, true }));

TEST_F(Splash, AClickClosesItAndStillReachesTheWidgetUnderIt)
{
    ShowSplash(&m_target);
    ASSERT_NE(g_pSplashWnd, nullptr);
    send(&m_target, mouse(QEvent::MouseButtonPress));
    EXPECT_EQ(g_pSplashWnd, nullptr);
    EXPECT_EQ(m_target.presses, 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(splashWindowsAlive(), 0);
}

TEST_F(Splash, AKeyPressClosesItAndStillReachesItsTarget)
{
    ShowSplash(&m_target);
    ASSERT_NE(g_pSplashWnd, nullptr);
    send(&m_target, QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    EXPECT_EQ(g_pSplashWnd, nullptr);
    EXPECT_EQ(m_target.keys, 1);
}

TEST_F(Splash, APressOnATitleBarClosesIt)
{
    ShowSplash(&m_target);
    ASSERT_NE(g_pSplashWnd, nullptr);
    send(&m_target, mouse(QEvent::NonClientAreaMouseButtonPress));
    EXPECT_EQ(g_pSplashWnd, nullptr);
}

TEST_F(Splash, ReleasesAndMovesLeaveItUp)
{
    ShowSplash(&m_target);
    CSplashWnd* const splash = g_pSplashWnd;
    ASSERT_NE(splash, nullptr);
    send(&m_target, QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a"));
    send(&m_target, mouse(QEvent::MouseMove));
    send(&m_target, mouse(QEvent::MouseButtonRelease));
    send(&m_target, mouse(QEvent::NonClientAreaMouseMove));
    send(&m_target, mouse(QEvent::NonClientAreaMouseButtonRelease));
    send(&m_target, QEvent(QEvent::Enter));
    EXPECT_EQ(g_pSplashWnd, splash);
    EXPECT_TRUE(splash->isVisible());
}

TEST_F(Splash, ShowsAtMostOnce)
{
    ShowSplash(&m_target);
    CSplashWnd* const first = g_pSplashWnd;
    ASSERT_NE(first, nullptr);
    ShowSplash(&m_target);
    EXPECT_EQ(g_pSplashWnd, first);
    EXPECT_EQ(splashWindowsAlive(), 1);
    first->CloseSplash();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ShowSplash(&m_target);
    EXPECT_EQ(g_pSplashWnd, nullptr);
    EXPECT_EQ(splashWindowsAlive(), 0);
}

TEST_F(Splash, ItsTimerClosesIt)
{
    ShowSplash(&m_target);
    ASSERT_NE(g_pSplashWnd, nullptr);
    const bool closed = waitFor([] {
        QApplication::processEvents();
        return g_pSplashWnd == nullptr && splashWindowsAlive() == 0;
    });
    EXPECT_TRUE(closed);
}

TEST_F(Splash, AMissingOrBrokenBitmapShowsNothingAndSaysNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile junk(dir.filePath("junk.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("BM this is not a bitmap at all");
    junk.close();
    QFile real(":/splash.bmp");
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    QFile cut(dir.filePath("cut.bmp"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(real.read(100)); // headers, but the palette and pixels are gone
    cut.close();

    for (const QString& name : { dir.filePath("missing.bmp"), junk.fileName(), cut.fileName() }) {
        ShowSplashFrom(&m_target, name);
        EXPECT_EQ(g_pSplashWnd, nullptr) << name.toStdString();
    }
    EXPECT_EQ(splashWindowsAlive(), 0);
    EXPECT_TRUE(m_ui.messages.isEmpty());
    ShowSplash(&m_target); // a failed attempt does not use up the one showing
    EXPECT_NE(g_pSplashWnd, nullptr);
}

} // namespace
