#pragma once

class CMainFrame;
class QMenu;

// The "Diagnostics" menu that --diagnostics adds to the console windows'
// menus: the board driver's diagnostic commands, each shown with its command
// ID so that a user can tell them apart from the ordinary commands.
struct DiagnosticsItem {
    const char* text; // ends with the command ID in parentheses
    int id;
};

// Builds the menu (owned by the frame); each item sends its command to the
// active console window.
QMenu* buildDiagnosticsMenu(CMainFrame& frame);
void addDiagnosticsMenu(CMainFrame& frame);
