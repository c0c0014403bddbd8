#pragma once

#include "console/consoleenvironment.h"

#include <QList>
#include <QMainWindow>

#include <map>
#include <memory>
#include <vector>

class CRecentFiles;
class CSplitterFrame;
class CStatusBar;
class CVesperlineView;
class QAction;
class QMdiArea;
class QMenu;
namespace verifyui {
class VerifyPortsCommand;
}

// The main window: the MDI area holding the console windows, the menus of
// the two states (no console window / a console window active), the
// accelerators and the five-pane status bar.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // `environment` outlives the frame and every console window in it.
    explicit CMainFrame(const ConsoleEnvironment& environment);
    ~CMainFrame() override;

    // Builds the status bar (and g_pStatusBar) and shows the splash.
    // Returns 0, or -1 when the frame cannot be built.
    int OnCreate();

    // Carries out a command by its numeric ID, as the menus and accelerators
    // do; console commands go to the active console view. False when nothing
    // handles the command.
    bool sendCommand(int id);

    QList<CSplitterFrame*> frames() const { return m_frames; }
    CSplitterFrame* activeFrame() const;
    CVesperlineView* activeView() const;
    QAction* action(int id) const;
    // The menus now in the menu bar.
    QList<QMenu*> currentMenus() const;
    // Adds a menu (owned by the frame) to those shown while a console window
    // is open, ahead of Help.
    void addConsoleMenu(QMenu* menu);

    // New: a console window titled "Thread " + count. Null on failure.
    CSplitterFrame* OnFileNew();
    // A console window for a file, titled by the file's name.
    CSplitterFrame* openDocument(const QString& path);
    void OnFileOpen();
    void OnFileSave();
    void setRecentFiles(CRecentFiles* recent) { m_recent = recent; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    QList<QMenu*> buildMenus(bool console);
    void updateMenuBar();
    void updateCaption();
    void refreshWindowMenu(QMenu* menu);
    void updateConsoleActions();
    CSplitterFrame* addFrame(class CVesperlineDoc* doc);
    bool frameCommand(int id);
    bool editCommand(int id);
    bool windowCommand(int id);
    static bool isConsoleCommand(int id);

    ConsoleEnvironment m_environment;
    QMdiArea* m_mdiArea;
    std::unique_ptr<CStatusBar> m_wndStatusBar;
    std::map<int, QAction*> m_actions;
    QList<QMenu*> m_mainMenus;
    QList<QMenu*> m_consoleMenus;
    QList<CSplitterFrame*> m_frames;
    std::vector<QAction*> m_windowListActions;
    CRecentFiles* m_recent = nullptr;
    bool m_showingConsoleMenu = false;
    bool m_menusShown = false;
    std::unique_ptr<verifyui::VerifyPortsCommand> m_verifyPorts;
};
