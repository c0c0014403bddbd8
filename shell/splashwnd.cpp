#include "splashwnd.h"

// Placeholder until the splash screen lands: shows nothing.
void SetSplashEnabled(bool) { }
void ShowSplash(QWidget*) { }
void SplashFilterMessage(QObject*, QEvent*) { }
