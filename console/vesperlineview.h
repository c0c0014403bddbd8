#pragma once

#include "portcontext.h"
#include "portio/commtypes.h"
#include "waitingloop.h"

#include <QPlainTextEdit>

#include <atomic>
#include <utility>

class ConsoleFrame;
class CRecView;
struct TypedText;

// The console pane of a console window: the user types here, and the view
// owns the window's port connection (m_portCtx) for its whole life.
class CVesperlineView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CVesperlineView(QWidget* parent = nullptr);
    ~CVesperlineView() override;

    // The window that holds this view; set by the frame right after it has
    // created the view, never changed.
    ConsoleFrame* m_pSplitFrame = nullptr;
    PortContext m_portCtx;

    // Sets the port context's defaults. Returns 1.
    int InitPortContext();
    // Opens the port named by m_portCtx.portName, configures it, starts the
    // receive thread and raises DTR. Nonzero on success; a port that cannot be
    // opened is reported with a message, refused settings silently.
    int OpenPort();
    // Writes ctx's line settings into its port; nonzero on success, 0 for null.
    int ApplyLineSettings(PortContext* ctx);
    // Stops the receive thread (joined: it never touches the port after
    // this), drops DTR, closes the port and stops a capture. Returns 1.
    int ClosePort();
    // Ends a capture: clears captureOn, closes the file, shows
    // "CAPTURE NOT ACTIVE" in the status bar.
    void StopCapture();

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
    bool receiveThreadRunning() const { return m_readerRunning; }

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
    bool startReceiveThread();
    void releasePort();

    int m_busy = 0;
    std::atomic<bool> m_readerRunning { false };
    static inline int s_busyViews = 0;
};

// The most recently constructed console view; null after any view's
// destruction. Read by the torture test to reach a receive pane.
extern CVesperlineView* g_pLatestView;

// The line settings that ApplyLineSettings writes: `current` with the
// context's baud rate, framing and flow control.
portio::Dcb lineSettingsDcb(portio::Dcb current, const PortContext& ctx);
