#include "splashwnd.h"

#include "splashresources.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

CSplashWnd* g_pSplashWnd = nullptr;
bool g_bSplashEnabled = true;

namespace {

constexpr int SplashMilliseconds = 750;
const char* const SplashBitmap = ":/splash.bmp";

// The splash belongs to start-up: once it has been up, it never comes back in this run.
bool g_splashShown = false;

bool closesSplash(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: // a key bound to a shortcut arrives only as this
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        return true;
    default:
        return false;
    }
}

} // namespace

CSplashWnd::CSplashWnd(QWidget* parent, const QPixmap& bitmap)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_bitmap(bitmap)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_bitmap.size());
    CenterWindow();
    startTimer(SplashMilliseconds);
}

CSplashWnd::~CSplashWnd()
{
    if (g_pSplashWnd == this) g_pSplashWnd = nullptr;
}

CSplashWnd* CSplashWnd::Create(QWidget* parent, const QString& bitmap)
{
    const QPixmap picture(bitmap);
    if (picture.isNull()) return nullptr;
    auto* splash = new CSplashWnd(parent, picture);
    splash->show();
    splash->repaint();
    return splash;
}

// Over the owner when the owner is on screen, else in the middle of the screen's work area.
void CSplashWnd::CenterWindow()
{
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (owner && owner->isVisible() && !owner->isMinimized()) {
        area = owner->frameGeometry();
    } else {
        QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
        if (screen) area = screen->availableGeometry();
    }
    if (area.isValid()) move(area.center() - rect().center());
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
}

void CSplashWnd::timerEvent(QTimerEvent*)
{
    CloseSplash();
}

void CSplashWnd::CloseSplash()
{
    // Forget it at once: the object itself goes on the next event-loop turn.
    if (g_pSplashWnd == this) g_pSplashWnd = nullptr;
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    close();
    if (owner) owner->update();
}

void SetSplashEnabled(bool enabled)
{
    g_bSplashEnabled = enabled;
}

void ShowSplash(QWidget* parent)
{
    ShowSplashFrom(parent, SplashBitmap);
}

void ShowSplashFrom(QWidget* parent, const QString& bitmap)
{
    if (!g_bSplashEnabled || g_pSplashWnd || g_splashShown) return;
    initResourceBundle();
    g_pSplashWnd = CSplashWnd::Create(parent, bitmap);
    g_splashShown = g_pSplashWnd != nullptr;
}

void SplashFilterMessage(QObject* target, QEvent* event)
{
    if (!g_pSplashWnd || !event) return;
    if (closesSplash(event->type())) {
        g_pSplashWnd->CloseSplash();
    } else if (event->type() == QEvent::Show && target == g_pSplashWnd->parentWidget()) {
        // The splash is shown before its owner; like any owned window it stays above it.
        // Queued: the owner's window appears only after its show event.
        QMetaObject::invokeMethod(g_pSplashWnd, &QWidget::raise, Qt::QueuedConnection);
    }
}

void ResetSplash()
{
    if (g_pSplashWnd) g_pSplashWnd->CloseSplash();
    g_splashShown = false;
    g_bSplashEnabled = true;
}
