#pragma once

#include <vector>

// The menus and accelerators of the main frame, as data: one place for their
// texts (with their blanks and '&' mnemonics), order, separators and prompts.
namespace menus {

// One item of a popup; id 0 is a separator. `prompt` is the status-bar text
// shown while the item is highlighted ("" for none).
struct Item {
    int id;
    const char* text;
    const char* prompt;
};

struct Popup {
    const char* title;
    std::vector<Item> items;
    bool isWindowMenu = false; // lists the open windows below its items
};

// Menu 128: no console window open.
const std::vector<Popup>& mainFrameMenu();
// Menu 129: a console window is active.
const std::vector<Popup>& consoleMenu();

// Accelerator table 128 (used in every state): key sequence in Qt's portable
// text form, and the command it sends.
struct Accelerator {
    const char* keys;
    int id;
};
const std::vector<Accelerator>& accelerators();

} // namespace menus
