#pragma once

#include <QString>

class CRecView;
class LineStatusStrip;

// What a console view needs from the child window that holds it: the receive
// pane and the line status strip of the same window and the document's title. The shell's splitter
// frame implements it; the view reaches it through m_pSplitFrame.
class ConsoleFrame {
public:
    virtual ~ConsoleFrame() = default;
    virtual CRecView* recView() const = 0;
    virtual LineStatusStrip* lineStatusStrip() const = 0;
    virtual QString documentTitle() const = 0;
    virtual void setDocumentTitle(const QString& title) = 0;
};
