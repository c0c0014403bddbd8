#pragma once

#include "console/consoletarget.h"

#include <QPlainTextEdit>

#include <functional>
#include <memory>

class ConsoleFrame;
class HeldLayout;
class CRecView;
class LineStatusLink;
struct TypedText;

// The console pane of a console window: the user types here. The view is the
// window's ConsoleTarget: it owns the window's connection for its whole life,
// shows what it receives in the window's receive pane, its messages in message
// boxes, and opens the dialogs the commands ask for.
class CVesperlineView : public QPlainTextEdit, public ConsoleTarget {
    Q_OBJECT
public:
    explicit CVesperlineView(const ConsoleEnvironment& environment, QWidget* parent = nullptr);
    ~CVesperlineView() override;

    // The window that holds this view; set by the frame right after it has
    // created the view, never changed.
    ConsoleFrame* m_pSplitFrame = nullptr;

    // The window's receive pane and document title (through the frame).
    CRecView* recView() const;
    QString documentTitle() const override;
    void setDocumentTitle(const QString& title) override;

    QWidget* dialogParent() override { return this; }
    QObject* eventContext() override { return this; }
    void chooseLineSettings() override;
    void editTortureParams() override;
    void followTortureRun() override;
    std::unique_ptr<BusyNotice> showSendingNotice() override;
    void modemLineSet(uint32_t controlCode) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    ConsoleSession::Events sessionEvents() override;

private:
    void showThenSend(const std::function<void()>& show, const TypedText& typed);
    bool onlyInsertsText(const QKeyEvent& event) const;
    QTextCursor insertTyped(const QString& text);
    void sendTyped(const TypedText& typed);

    // Where the last typed key left the document: its revision and the cursor.
    struct TypedRun {
        int revision = -1;
        int position = -1;
        bool operator==(const TypedRun&) const = default;
    };

    std::unique_ptr<LineStatusLink> m_lineStatus;
    HeldLayout* m_layout; // owned by the pane's document
    TypedRun m_typedRun;
};

// The most recently constructed console view; null after any view's
// destruction. Read by the torture test to reach a receive pane.
extern CVesperlineView* g_pLatestView;
