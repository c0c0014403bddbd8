#include "mainframe.h"

#include "aboutdlg.h"
#include "recentfiles.h"
#include "splashwnd.h"
#include "splitterframe.h"
#include "vesperlinedoc.h"

#include "consoleui/statusbar.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "res/menus.h"
#include "res/texts.h"
#include "res/uiservices.h"
#include "verifyui/verifyportscommand.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>

CMainFrame::CMainFrame(const ConsoleEnvironment& environment)
    : m_environment(environment)
    , m_mdiArea(new QMdiArea(this))
{
    setWindowTitle(QString::fromLatin1(txt::AppTitle));
    setCentralWidget(m_mdiArea);
    createActions();
    m_mainMenus = buildMenus(false);
    m_consoleMenus = buildMenus(true);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] {
        updateMenuBar();
        updateCaption();
    });
    resize(1000, 700);
}

CMainFrame::~CMainFrame()
{
    // Console windows (and their ports) go before the status bar they write.
    for (auto* frame : m_frames)
        disconnect(frame, nullptr, this, nullptr);
    qDeleteAll(m_mdiArea->subWindowList());
    if (g_pStatusBar == m_wndStatusBar.get()) g_pStatusBar = nullptr;
}

int CMainFrame::OnCreate()
{
    m_wndStatusBar = std::make_unique<CStatusBar>(statusBar());
    g_pStatusBar = m_wndStatusBar.get();
    updateMenuBar();
    ShowSplash(this);
    return 0;
}

void CMainFrame::createActions()
{
    auto actionFor = [this](int id) {
        QAction*& a = m_actions[id];
        if (!a) {
            a = new QAction(this);
            a->setData(id);
            connect(a, &QAction::triggered, this, [this, id] { sendCommand(id); });
            addAction(a); // accelerators work in every state, with or without a menu item
        }
        return a;
    };
    for (const auto* menu : { &menus::mainFrameMenu(), &menus::consoleMenu() })
        for (const auto& popup : *menu)
            for (const auto& item : popup.items)
                if (item.id != 0) {
                    QAction* a = actionFor(item.id);
                    a->setText(QString::fromLatin1(item.text));
                    a->setStatusTip(QString::fromLatin1(item.prompt));
                }
    for (const auto& accel : menus::accelerators()) {
        QAction* a = actionFor(accel.id);
        a->setShortcuts(a->shortcuts() << QKeySequence(QString::fromLatin1(accel.keys)));
        a->setShortcutContext(Qt::WindowShortcut);
    }
    m_actions[cmd::ID_VIEW_STATUS_BAR]->setCheckable(true);
    m_actions[cmd::ID_VIEW_STATUS_BAR]->setChecked(true);
}

QList<QMenu*> CMainFrame::buildMenus(bool console)
{
    QList<QMenu*> result;
    for (const auto& popup : console ? menus::consoleMenu() : menus::mainFrameMenu()) {
        auto* menu = new QMenu(QString::fromLatin1(popup.title), this);
        for (const auto& item : popup.items) {
            if (item.id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_actions.at(item.id));
        }
        if (popup.isWindowMenu) connect(menu, &QMenu::aboutToShow, this, [this, menu] { refreshWindowMenu(menu); });
        if (console) connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateConsoleActions);
        result << menu;
    }
    return result;
}

void CMainFrame::updateMenuBar()
{
    const bool console = !m_frames.isEmpty();
    if (m_menusShown && console == m_showingConsoleMenu) return;
    m_menusShown = true;
    m_showingConsoleMenu = console;
    menuBar()->clear();
    for (QMenu* menu : console ? m_consoleMenus : m_mainMenus)
        menuBar()->addMenu(menu);
}

QList<QMenu*> CMainFrame::currentMenus() const
{
    return m_showingConsoleMenu ? m_consoleMenus : m_mainMenus;
}

void CMainFrame::addConsoleMenu(QMenu* menu)
{
    m_consoleMenus.insert(qMax(0, m_consoleMenus.size() - 1), menu);
    if (m_menusShown && m_showingConsoleMenu) {
        m_menusShown = false; // rebuild the bar in the new order
        updateMenuBar();
    }
}

void CMainFrame::updateCaption()
{
    QString caption = QString::fromLatin1(txt::AppTitle);
    if (CSplitterFrame* frame = activeFrame()) caption += QStringLiteral(" - ") + frame->documentTitle();
    setWindowTitle(caption);
}

// The framework greys a command that nothing handles; so do we, so a command
// whose handler does not exist yet cannot look as if it had worked.
void CMainFrame::updateConsoleActions()
{
    CVesperlineView* view = activeView();
    for (auto& [id, action] : m_actions)
        if (isConsoleCommand(id)) action->setEnabled(view && view->hasCommand(id));
}

void CMainFrame::refreshWindowMenu(QMenu* menu)
{
    for (QAction* a : m_windowListActions)
        delete a;
    m_windowListActions.clear();
    if (m_frames.isEmpty()) return;
    m_windowListActions.push_back(menu->addSeparator());
    int n = 0;
    for (QMdiSubWindow* frame : m_mdiArea->subWindowList()) {
        auto* f = qobject_cast<CSplitterFrame*>(frame);
        if (!f) continue;
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(f->documentTitle()));
        a->setCheckable(true);
        a->setChecked(f == activeFrame());
        connect(a, &QAction::triggered, this, [this, f] { m_mdiArea->setActiveSubWindow(f); });
        m_windowListActions.push_back(a);
    }
}

CSplitterFrame* CMainFrame::activeFrame() const
{
    if (auto* f = qobject_cast<CSplitterFrame*>(m_mdiArea->activeSubWindow())) return f;
    return qobject_cast<CSplitterFrame*>(m_mdiArea->currentSubWindow());
}

CVesperlineView* CMainFrame::activeView() const
{
    CSplitterFrame* frame = activeFrame();
    return frame ? frame->m_pConsoleView : nullptr;
}

QAction* CMainFrame::action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool CMainFrame::isConsoleCommand(int id)
{
    return id >= cmd::ID_STOP_CAPTURE && id <= cmd::ID_DROP_DTR;
}

bool CMainFrame::sendCommand(int id)
{
    if (isConsoleCommand(id)) {
        CVesperlineView* view = activeView();
        return view && !view->isBusy() && view->runCommand(id);
    }
    return frameCommand(id) || editCommand(id) || windowCommand(id);
}

bool CMainFrame::frameCommand(int id)
{
    switch (id) {
    case cmd::ID_FILE_NEW:
        return OnFileNew() != nullptr;
    case cmd::ID_FILE_OPEN:
        OnFileOpen();
        return true;
    case cmd::ID_FILE_SAVE:
        OnFileSave();
        return true;
    case cmd::ID_FILE_CLOSE:
        if (CSplitterFrame* frame = activeFrame()) return frame->close();
        return false;
    case cmd::ID_APP_EXIT:
        return close();
    case cmd::ID_APP_ABOUT:
        showAboutBox(m_environment.ui, this);
        return true;
    case cmd::ID_VERIFY_PORTS:
        if (!m_verifyPorts)
            m_verifyPorts = std::make_unique<verifyui::VerifyPortsCommand>(m_environment.devices, m_environment.ui);
        m_verifyPorts->run(this);
        return true;
    case cmd::ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        m_actions[id]->setChecked(statusBar()->isVisible());
        return true;
    default:
        return false;
    }
}

bool CMainFrame::editCommand(int id)
{
    auto* edit = qobject_cast<QPlainTextEdit*>(QApplication::focusWidget());
    switch (id) {
    case cmd::ID_EDIT_UNDO:
        return edit && (edit->undo(), true);
    case cmd::ID_EDIT_CUT:
        return edit && (edit->cut(), true);
    case cmd::ID_EDIT_COPY:
        return edit && (edit->copy(), true);
    case cmd::ID_EDIT_PASTE:
        return edit && (edit->paste(), true);
    default:
        return false;
    }
}

bool CMainFrame::windowCommand(int id)
{
    switch (id) {
    case cmd::ID_WINDOW_CASCADE:
        m_mdiArea->cascadeSubWindows();
        return true;
    case cmd::ID_WINDOW_TILE_HORZ:
        m_mdiArea->tileSubWindows();
        return true;
    case cmd::ID_WINDOW_ARRANGE:
        // The MDI area keeps minimised windows in a row by itself.
        return true;
    case cmd::ID_NEXT_PANE:
    case cmd::ID_PREV_PANE:
        if (CSplitterFrame* frame = activeFrame()) {
            frame->focusOtherPane();
            return true;
        }
        return false;
    default:
        return false;
    }
}

CSplitterFrame* CMainFrame::addFrame(CVesperlineDoc* doc)
{
    auto* frame = new CSplitterFrame(doc, m_environment);
    m_mdiArea->addSubWindow(frame);
    m_frames << frame;
    connect(frame, &QObject::destroyed, this, [this, frame] {
        m_frames.removeOne(frame);
        updateMenuBar();
        updateCaption();
    });
    connect(frame, &QWidget::windowTitleChanged, this, &CMainFrame::updateCaption);
    // The first windows fill most of the main window, as the framework sizes new children.
    frame->resize(qMax(640, width() * 4 / 5), qMax(400, (height() - 80) * 4 / 5));
    frame->show();
    m_mdiArea->setActiveSubWindow(frame);
    frame->m_pConsoleView->setFocus();
    updateMenuBar();
    return frame;
}

CSplitterFrame* CMainFrame::OnFileNew()
{
    CSplitterFrame* frame = addFrame(new CVesperlineDoc);
    frame->document()->OnNewDocument();
    updateCaption();
    return frame;
}

CSplitterFrame* CMainFrame::openDocument(const QString& path)
{
    CSplitterFrame* frame = addFrame(new CVesperlineDoc);
    frame->document()->OnOpenDocument(path);
    if (m_recent) m_recent->add(path);
    updateCaption();
    return frame;
}

void CMainFrame::OnFileOpen()
{
    if (auto path = m_environment.ui.openFileName(this)) openDocument(*path);
}

void CMainFrame::OnFileSave()
{
    CSplitterFrame* frame = activeFrame();
    if (!frame) return;
    CVesperlineDoc* doc = frame->document();
    QString path = doc->GetPathName();
    if (path.isEmpty()) {
        auto chosen = m_environment.ui.saveFileName(this);
        if (!chosen) return;
        path = *chosen;
    }
    if (doc->OnSaveDocument(path) && m_recent) m_recent->add(path);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // No window may go while one of its commands waits on its port.
    const bool anyBusy = std::any_of(m_frames.begin(), m_frames.end(),
        [](const CSplitterFrame* frame) { return frame->m_pConsoleView && frame->m_pConsoleView->isBusy(); });
    if (anyBusy) {
        event->ignore();
        return;
    }
    m_mdiArea->closeAllSubWindows();
    for (CSplitterFrame* frame : m_frames)
        if (frame->isVisible()) { // it refused to close
            event->ignore();
            return;
        }
    QMainWindow::closeEvent(event);
}
