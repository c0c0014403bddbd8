#pragma once

#include <QPixmap>
#include <QWidget>

class QObject;
class QEvent;
class QString;

// The start-up splash screen: a borderless window showing the splash bitmap,
// closed by its timer or by the first key or mouse-button press anywhere in
// the application.
class CSplashWnd : public QWidget {
public:
    ~CSplashWnd() override;

    // Makes and shows the window for `parent`; nullptr when the bitmap cannot be loaded.
    static CSplashWnd* Create(QWidget* parent, const QString& bitmap);
    void CloseSplash();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    CSplashWnd(QWidget* parent, const QPixmap& bitmap);
    void CenterWindow();

    QPixmap m_bitmap;
};

// The one splash window while it is up, else nullptr.
extern CSplashWnd* g_pSplashWnd;
// Cleared by the command-line flags that start the program for another program ("Embedding", "Automation").
extern bool g_bSplashEnabled;

// The start-up sequence and the application's event filter call these three.
void SetSplashEnabled(bool enabled);
// Shows the splash over `parent` if enabled and not shown yet in this run.
void ShowSplash(QWidget* parent);
// Sees every event before it is delivered; may close the splash, never swallows the event.
void SplashFilterMessage(QObject* target, QEvent* event);

// ShowSplash with another bitmap file; a missing or unreadable one shows nothing.
void ShowSplashFrom(QWidget* parent, const QString& bitmap);
// Closes any splash and forgets that one was shown, as at the start of a run.
void ResetSplash();
