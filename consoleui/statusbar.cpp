#include "statusbar.h"

#include "res/texts.h"

#include <QLabel>
#include <QStatusBar>

CStatusBar* g_pStatusBar = nullptr;

namespace {
constexpr int NoticeMs = 5000;
}

CStatusBar::CStatusBar(QStatusBar* bar)
    : m_bar(bar)
{
    // Pane 0 is a normal widget, so the menu prompts (temporary messages)
    // cover it and "Ready" comes back when they end.
    m_panes[0] = new QLabel(QString::fromLatin1(txt::Ready), bar);
    bar->addWidget(m_panes[0], 1);
    const char* indicators[] = { txt::IndicatorCaps, txt::IndicatorNum, txt::IndicatorScrl, txt::CaptureNotActive };
    for (int i = 1; i < PaneCount; ++i) {
        m_panes[size_t(i)] = new QLabel(QString::fromLatin1(indicators[i - 1]), bar);
        m_panes[size_t(i)]->setFrameShape(QFrame::Panel);
        m_panes[size_t(i)]->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(m_panes[size_t(i)]);
    }
    // A pane keeps its name; what it shows now is its description.
    const char* names[] = { txt::MessageAreaName, txt::CapsIndicatorName, txt::NumIndicatorName, txt::ScrlIndicatorName,
        txt::CaptureIndicatorName };
    for (int i = 0; i < PaneCount; ++i) {
        m_panes[size_t(i)]->setAccessibleName(QString::fromLatin1(names[i]));
        m_panes[size_t(i)]->setAccessibleDescription(m_panes[size_t(i)]->text());
    }
}

void CStatusBar::SetPaneText(int pane, const QString& text)
{
    if (pane < 0 || pane >= PaneCount) return;
    m_panes[size_t(pane)]->setText(text);
    m_panes[size_t(pane)]->setAccessibleDescription(text);
}

QString CStatusBar::paneText(int pane) const
{
    return pane >= 0 && pane < PaneCount ? m_panes[size_t(pane)]->text() : QString();
}

void CStatusBar::showMessage(const QString& text)
{
    m_bar->showMessage(text, NoticeMs);
}
