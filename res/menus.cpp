#include "menus.h"

#include "commandids.h"

namespace menus {

namespace {

constexpr Item Separator { 0, "", "" };
constexpr Item FileNew { cmd::ID_FILE_NEW, "&New\tCtrl+N", "" };
constexpr Item FileExit { cmd::ID_APP_EXIT, "E&xit", "" };
constexpr Item StatusBar { cmd::ID_VIEW_STATUS_BAR, "&Status Bar", "" };
constexpr Item About { cmd::ID_APP_ABOUT, "&About Vesperline...", "" };

} // namespace

const std::vector<Popup>& mainFrameMenu()
{
    static const std::vector<Popup> menu {
        { "&File", { FileNew, Separator, FileExit } },
        { "&View", { StatusBar } },
        { "&Help", { About } },
    };
    return menu;
}

const std::vector<Popup>& consoleMenu()
{
    static const std::vector<Popup> menu {
        { "&File", { FileNew, { cmd::ID_FILE_CLOSE, "&Close", "" }, Separator, FileExit } },
        { "&View", { StatusBar } },
        { "Options",
            {
                { cmd::ID_CONNECT_PORT, "Connect Port...", "Opens a port  and attaches it to the active window" },
                { cmd::ID_DISCONNECT_PORT, "Disconnect Port",
                    "Disconnects the port that was previously attached to this thread" },
                Separator,
                { cmd::ID_SEND_10K, "Send 10K", "Sends a string of 10K  " },
                { cmd::ID_RECEIVE_2K, "Receive 2K", "Creates a new thread and reads 2K from the selected port" },
                { cmd::ID_SEND_IMMEDIATE, "Send Immediate ", "Sends a char" },
                { cmd::ID_SEND_FIXED_STRING, "Send a fixed string", "" },
                Separator,
                { cmd::ID_ASSERT_RTS, "Assert RTS", "" },
                { cmd::ID_DROP_RTS, "Drop RTS", "" },
                { cmd::ID_ASSERT_DTR, "Assert DTR", "" },
                { cmd::ID_DROP_DTR, "Drop DTR", "" },
                Separator,
                { cmd::ID_START_CAPTURE, "Start Capture...", "Receives a file as binary data" },
                { cmd::ID_STOP_CAPTURE, "Stop Capture...", "Selects a file to be sent as binary data" },
                { cmd::ID_SEND_FILE, "Send data from file...", "" },
            } },
        { "Torture &Test",
            {
                { cmd::ID_TORTURE_PARAMS, "Port Parameters", "" },
                { cmd::ID_TORTURE_START, "Start Test", "" },
                { cmd::ID_TORTURE_STOP, "Stop Test", "" },
                Separator,
                { cmd::ID_VERIFY_PORTS, "Verify Ports...",
                    "Sends a checked pattern through many ports at once and shows which ones fail" },
            } },
        { "&Window",
            {
                { cmd::ID_WINDOW_CASCADE, "&Cascade", "" },
                { cmd::ID_WINDOW_TILE_HORZ, "&Tile", "" },
                { cmd::ID_WINDOW_ARRANGE, "&Arrange Icons", "" },
            },
            true },
        { "&Help", { About } },
    };
    return menu;
}

const std::vector<Accelerator>& accelerators()
{
    static const std::vector<Accelerator> table {
        { "Ctrl+N", cmd::ID_FILE_NEW },
        { "Ctrl+O", cmd::ID_FILE_OPEN },
        { "Ctrl+S", cmd::ID_FILE_SAVE },
        { "Ctrl+Z", cmd::ID_EDIT_UNDO },
        { "Alt+Backspace", cmd::ID_EDIT_UNDO },
        { "Ctrl+X", cmd::ID_EDIT_CUT },
        { "Shift+Del", cmd::ID_EDIT_CUT },
        { "Ctrl+C", cmd::ID_EDIT_COPY },
        { "Ctrl+Ins", cmd::ID_EDIT_COPY },
        { "Ctrl+V", cmd::ID_EDIT_PASTE },
        { "Shift+Ins", cmd::ID_EDIT_PASTE },
        { "F6", cmd::ID_NEXT_PANE },
        { "Shift+F6", cmd::ID_PREV_PANE },
    };
    return table;
}

} // namespace menus
