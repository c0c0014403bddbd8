#pragma once

#include <QString>

struct PortContext;
class UiServices;

// Runs the port settings dialog for a console window and writes the choice
// into its port context; returns QDialog::Accepted or Rejected. Every dialog
// starts from the defaults, never from what the context holds; callers decide
// by the context's portName afterwards ("None": nothing chosen).
int runPortSettingsDialog(UiServices& ui, PortContext& portCtx, const QString& docTitle);
