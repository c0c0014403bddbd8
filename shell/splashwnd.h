#pragma once

class QObject;
class QEvent;
class QWidget;

// The start-up splash screen. The application calls these three in its
// start-up sequence and event filter.
void SetSplashEnabled(bool enabled);
// Shows the splash over `parent` if enabled and not shown yet in this run.
void ShowSplash(QWidget* parent);
// Sees every event before it is delivered; may close the splash, never swallows the event.
void SplashFilterMessage(QObject* target, QEvent* event);
