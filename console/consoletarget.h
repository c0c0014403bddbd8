#pragma once

#include "consoleenvironment.h"
#include "waitingloop.h"

#include "session/consolesession.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

class ConsoleCommandTable;
class UiServices;
class QObject;
class QWidget;

// A window shown while a command runs; it goes when this is destroyed.
class BusyNotice {
public:
    virtual ~BusyNotice() = default;
};

// What the console commands act on: one window's connection (the session,
// whose port context is m_portCtx) and the few things of the window that they
// need: its title, a parent for file dialogs, the dialogs they open. The
// console view implements it, so the commands never see a widget.
class ConsoleTarget {
public:
    explicit ConsoleTarget(const ConsoleEnvironment& environment);
    virtual ~ConsoleTarget();
    ConsoleTarget(const ConsoleTarget&) = delete;
    ConsoleTarget& operator=(const ConsoleTarget&) = delete;

private:
    ConsoleSession m_session; // before m_portCtx, which refers into it

public:
    PortContext& m_portCtx;

    ConsoleSession& session() { return m_session; }
    // Message boxes and file dialogs, as the application provides them.
    UiServices& ui() const { return m_ui; }

    // The session's operations (see ConsoleSession); the open hands the
    // session the window's current callbacks first.
    int InitPortContext() { return m_session.InitPortContext(); }
    int OpenPort();
    int ApplyLineSettings(PortContext* ctx) { return m_session.ApplyLineSettings(ctx); }
    int ClosePort() { return m_session.ClosePort(); }
    void StopCapture() { m_session.StopCapture(); }
    // True while the receive thread has not left its loop.
    bool receiveThreadRunning() const { return m_session.receiveThreadRunning(); }

    // Runs the console command `id`; false when there is no handler for it.
    bool runCommand(int id);
    bool hasCommand(int id) const;
    // Typing: one byte per character typed.
    void typeByte(uint8_t ch);

    // The document's title (through the window).
    virtual QString documentTitle() const = 0;
    virtual void setDocumentTitle(const QString& title) = 0;
    // The parent of the file dialogs the commands open.
    virtual QWidget* dialogParent() = 0;
    // An object of the user-interface thread that lives as long as this
    // target: other threads queue their reports to it.
    virtual QObject* eventContext() = 0;
    // The port settings dialog, on m_portCtx (a cancel leaves it unchanged).
    virtual void chooseLineSettings() = 0;
    // The torture test's parameters dialog.
    virtual void editTortureParams() = 0;
    // Shows the running torture test's progress in the newest window.
    virtual void followTortureRun() = 0;
    // The "Sending data" window, shown until the result is dropped; null when
    // it cannot be made.
    virtual std::unique_ptr<BusyNotice> showSendingNotice() = 0;
    // A modem-line request (IOCTL_SERIAL_SET_RTS and the like) that the port
    // carried out.
    virtual void modemLineSet(uint32_t /*controlCode*/) { }

    // Runs a blocking port operation on a helper thread; meanwhile windows are
    // painted, user input is refused and the window cannot be closed.
    template <class F> auto runWaiting(F work)
    {
        BusyScope busy(*this);
        return runWhileWaiting(std::move(work));
    }
    bool isBusy() const { return m_busy > 0; }

protected:
    // The callbacks the session reports through, as the window is now.
    virtual ConsoleSession::Events sessionEvents() = 0;

private:
    struct BusyScope {
        explicit BusyScope(ConsoleTarget& t);
        ~BusyScope();
        ConsoleTarget& target;
    };

    const ConsoleCommandTable& m_commands;
    UiServices& m_ui;
    int m_busy = 0;
};
