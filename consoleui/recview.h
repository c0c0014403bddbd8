#pragma once

#include "console/receivequeue.h"
#include "panetail.h"
#include "recformatter.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <optional>
#include <string_view>

// The receive pane: shows what the window's port receives. It is editable;
// what the user types here stays in the text and is never sent. Received
// bytes are appended at the end (never read back and replaced), and the
// scrollback is bounded.
class CRecView : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int MaxLines = 10000;
    static constexpr int MaxLineLength = 1024;
    // What waits for the pane: a whole scrollback of lines of up to 128
    // characters, so that a pane a frame or two behind a fast line drops
    // nothing it could have shown (a frame of a line at 100 MB/s is 1.6 MB).
    static constexpr size_t MaxBacklog = size_t(MaxLines) * 128;
    // A fast line is shown at most once per this many milliseconds (a frame):
    // each append lays out and repaints the pane, whatever its size.
    static constexpr int DrainIntervalMs = 16;
    // A burst that ends before the frame is over shows once the line has
    // been quiet this long, but at most twice a frame.
    static constexpr int QuietMs = 2;
    static constexpr int MinDrainGapMs = DrainIntervalMs / 2;
    // Once this much has streamed through and the line has then been quiet
    // for this long, the process gives the memory it freed back.
    static constexpr size_t TrimAfterBytes = size_t(1) << 20;
    static constexpr int QuietBeforeTrimMs = 1000;
    // An update shows at least this many of its last lines at once (more than
    // any screen holds); the older ones are held back while the line streams
    // and filled in, in slices, once it has been quiet for two frames, or at
    // once when the user turns to the pane.
    static constexpr int ShownAtOnce = 200;
    static constexpr int FillSliceLines = 2000;

    explicit CRecView(QWidget* parent = nullptr);

    // Any thread: queues received bytes; the pane shows them on its next
    // event-loop turn. Never waits for the user-interface thread.
    void post(const void* data, size_t n);
    void post(std::string_view bytes) { post(bytes.data(), bytes.size()); }

    // User-interface thread: shows whatever is queued now.
    void drainNow();
    // User-interface thread: appends bytes at once (not through the queue).
    void appendBytes(std::string_view bytes);
    // User-interface thread: replaces the whole text (the torture test's
    // progress line).
    void replaceText(const QString& text);
    // How received bytes are shown (text or hex, time stamps).
    RecFormatter& formatter() { return m_formatter; }
    // How many received lines are still held back from the text.
    int heldBackLines() const { return m_tail.heldBackLines(); }
    // How many received bytes the pane skipped, in all, because it fell a
    // whole backlog behind: with a notice, and (unseen) those that would
    // have scrolled out before they could be seen.
    uint64_t bytesNotShown() const { return m_notShown; }
    uint64_t bytesUnseen() const { return m_unseen; }
    // Test control: whether a screen reader or automation is taken to be
    // reading the panes (by default, what Qt's accessibility says).
    static void setAssistiveClientForTest(std::optional<bool> active);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void drainWhenDue();
    static bool assistiveClientActive();
    // Fills in held-back lines: `lines` of them, or all before the user acts on the text.
    void fillBack(int lines);
    void appendText(const QString& text, const QString& partial = {}, bool replacesPartial = false);
    static QString keepLastLines(const QString& text, int lines);

    ReceiveQueue m_queue;
    uint64_t m_notShown = 0;
    uint64_t m_unseen = 0;
    RecFormatter m_formatter;
    PaneTail m_tail;
    QElapsedTimer m_sinceDrain;
    QTimer m_drainTimer;
    QTimer m_trimTimer;
    QTimer m_fillTimer;
    // Whether the pane keeps the newest line in view: until the user scrolls
    // away from the end, and again once they scroll back to it.
    bool m_following = true;
    size_t m_sinceTrim = 0;
};
