#include "splitterframe.h"

#include <QIcon>

#include "vesperlinedoc.h"

#include "consoleui/linestatusstrip.h"
#include "consoleui/recview.h"
#include "consoleui/recviewbar.h"
#include "consoleui/vesperlineview.h"

#include <QCloseEvent>
#include <QSplitter>
#include <QVBoxLayout>

CSplitterFrame::CSplitterFrame(CVesperlineDoc* doc, const ConsoleEnvironment& environment, QWidget* parent)
    : QMdiSubWindow(parent)
    , m_doc(doc)
{
    m_doc->setParent(this);
    setAttribute(Qt::WA_DeleteOnClose);
    OnCreateClient(environment);
    setWindowTitle(m_doc->GetTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/vesperline-document.png")));
    connect(m_doc, &CVesperlineDoc::titleChanged, this, &QWidget::setWindowTitle);
}

CSplitterFrame::~CSplitterFrame()
{
    // The console view goes first: it stops its receive thread, which posts
    // to the receive pane, while that pane still exists.
    delete m_pConsoleView;
    m_pConsoleView = nullptr;
}

void CSplitterFrame::OnCreateClient(const ConsoleEnvironment& environment)
{
    auto* client = new QWidget(this);
    m_wndSplitter = new QSplitter(Qt::Horizontal, client);
    m_pConsoleView = new CVesperlineView(environment, m_wndSplitter);
    m_pConsoleView->m_pSplitFrame = this;
    m_pRecView = new CRecView(m_wndSplitter);
    m_wndSplitter->addWidget(m_pConsoleView);
    m_wndSplitter->addWidget(withViewBar(m_pRecView));
    m_wndSplitter->setChildrenCollapsible(false);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({ InitialConsoleWidth, InitialConsoleWidth * 2 });
    m_pLineStatus = new LineStatusStrip(client);
    auto* rows = new QVBoxLayout(client);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(m_wndSplitter, 1);
    rows->addWidget(m_pLineStatus);
    setWidget(client);
    setFocusProxy(m_pConsoleView);
    m_pConsoleView->setFocus();
}

void CSplitterFrame::focusOtherPane()
{
    if (m_pConsoleView->hasFocus())
        m_pRecView->setFocus(Qt::TabFocusReason);
    else
        m_pConsoleView->setFocus(Qt::TabFocusReason);
}

QString CSplitterFrame::documentTitle() const
{
    return m_doc->GetTitle();
}

void CSplitterFrame::setDocumentTitle(const QString& title)
{
    m_doc->SetTitle(title);
}

void CSplitterFrame::closeEvent(QCloseEvent* event)
{
    // A window whose command is still waiting on its port must stay.
    if (m_pConsoleView && m_pConsoleView->isBusy()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
