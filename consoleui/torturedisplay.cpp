#include "torturedisplay.h"

#include "recview.h"
#include "vesperlineview.h"

#include "torture/torturerun.h"

#include <QCoreApplication>
#include <QPointer>

TortureDisplay::TortureDisplay(torture::TortureRun& run, QObject* parent)
    : QObject(parent)
    , m_run(run)
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TortureDisplay::refresh);
}

TortureDisplay& TortureDisplay::instance()
{
    // Owned by the application, so the timer never outlives the event loop
    // it belongs to.
    static QPointer<TortureDisplay> display;
    if (!display) display = new TortureDisplay(torture::TortureRun::instance(), QCoreApplication::instance());
    return *display;
}

void TortureDisplay::follow()
{
    if (!m_timer.isActive()) m_timer.start();
}

void TortureDisplay::refresh()
{
    if (!m_run.running()) {
        m_timer.stop();
        return;
    }
    // With no view to show it in, the progress stays unread, so a new view
    // shows the latest count at once.
    CRecView* pane = g_pLatestView ? g_pLatestView->recView() : nullptr;
    if (!pane) return;
    if (auto text = m_run.progressText()) pane->replaceText(QString::fromStdString(*text));
}
