#pragma once

#include <QString>

#include <array>

class QLabel;
class QStatusBar;

// The main frame's status bar as five panes: 0 the message area ("Ready" and
// menu prompts), 1 "CAP", 2 "NUM", 3 "SCRL", 4 the capture indicator.
class CStatusBar {
public:
    static constexpr int PaneCount = 5;
    static constexpr int CapturePane = 4;

    // Builds the panes into `bar` (not owned).
    explicit CStatusBar(QStatusBar* bar);

    void SetPaneText(int pane, const QString& text);
    QString paneText(int pane) const;
    // A notice in the message area, for a few seconds; then "Ready" again.
    void showMessage(const QString& text);
    QStatusBar* bar() const { return m_bar; }

private:
    QStatusBar* m_bar;
    std::array<QLabel*, PaneCount> m_panes {};
};

// The main frame's status bar; null until the main frame exists.
extern CStatusBar* g_pStatusBar;
