#pragma once

#include "console/consoleenvironment.h"
#include "consoleui/consoleframe.h"

#include <QMdiSubWindow>

class CRecView;
class CVesperlineDoc;
class CVesperlineView;
class LineStatusStrip;
class QSplitter;

// A console window: one document shown as two panes side by side, the
// console view on the left (300 pixels wide at first) and the receive pane on
// the right, and the line status strip in a row of its own below them.
class CSplitterFrame : public QMdiSubWindow, public ConsoleFrame {
    Q_OBJECT
public:
    static constexpr int InitialConsoleWidth = 300;

    // Takes ownership of `doc`; `environment` outlives the frame.
    CSplitterFrame(CVesperlineDoc* doc, const ConsoleEnvironment& environment, QWidget* parent = nullptr);
    ~CSplitterFrame() override;

    QSplitter* m_wndSplitter = nullptr;
    CVesperlineView* m_pConsoleView = nullptr;
    CRecView* m_pRecView = nullptr;
    LineStatusStrip* m_pLineStatus = nullptr;

    CVesperlineDoc* document() const { return m_doc; }
    // F6 / Shift+F6: the focus goes to the other pane.
    void focusOtherPane();

    CRecView* recView() const override { return m_pRecView; }
    LineStatusStrip* lineStatusStrip() const override { return m_pLineStatus; }
    QString documentTitle() const override;
    void setDocumentTitle(const QString& title) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnCreateClient(const ConsoleEnvironment& environment);

    CVesperlineDoc* m_doc;
};
