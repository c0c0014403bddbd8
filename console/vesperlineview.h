#pragma once

#include "consoleenvironment.h"
#include "waitingloop.h"

#include "session/consolesession.h"

#include <QPlainTextEdit>

#include <utility>

class ConsoleFrame;
class CRecView;
struct TypedText;

// The console pane of a console window: the user types here. The view owns
// the window's connection (a ConsoleSession, whose port context is m_portCtx)
// for its whole life, shows what it receives in the window's receive pane and
// its messages in message boxes.
class CVesperlineView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CVesperlineView(const ConsoleEnvironment& environment, QWidget* parent = nullptr);
    ~CVesperlineView() override;

    // The window that holds this view; set by the frame right after it has
    // created the view, never changed.
    ConsoleFrame* m_pSplitFrame = nullptr;

private:
    ConsoleSession m_session; // before m_portCtx, which refers into it

public:
    PortContext& m_portCtx;

    ConsoleSession& session() { return m_session; }

    // The session's operations (see ConsoleSession); the received bytes go to
    // the receive pane the frame has at the time of the open.
    int InitPortContext() { return m_session.InitPortContext(); }
    int OpenPort();
    int ApplyLineSettings(PortContext* ctx) { return m_session.ApplyLineSettings(ctx); }
    int ClosePort() { return m_session.ClosePort(); }
    void StopCapture() { m_session.StopCapture(); }

    // Runs the console command `id`; false when the view has no handler for it.
    bool runCommand(int id);
    bool hasCommand(int id) const;

    // The window's receive pane and document title (through the frame).
    CRecView* recView() const;
    QString documentTitle() const;
    void setDocumentTitle(const QString& title);

    // Runs a blocking port operation on a helper thread; meanwhile windows are
    // painted, user input is refused and the window cannot be closed.
    template <class F> auto runWaiting(F work)
    {
        BusyScope busy(*this);
        return runWhileWaiting(std::move(work));
    }
    bool isBusy() const { return m_busy > 0; }
    // True while any console view runs a blocking command.
    static bool anyBusy() { return s_busyViews > 0; }
    // True while the receive thread has not left its loop.
    bool receiveThreadRunning() const { return m_session.receiveThreadRunning(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    struct BusyScope {
        explicit BusyScope(CVesperlineView& v);
        ~BusyScope();
        CVesperlineView& view;
    };

    void sendTyped(const TypedText& typed);
    ConsoleSession::Events sessionEvents();

    const ConsoleCommandTable& m_commands;

    int m_busy = 0;
    static inline int s_busyViews = 0;
};

// The most recently constructed console view; null after any view's
// destruction. Read by the torture test to reach a receive pane.
extern CVesperlineView* g_pLatestView;
