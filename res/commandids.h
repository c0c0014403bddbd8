#pragma once

// Numeric command identifiers. Every menu item, accelerator and menu-less
// command carries one of these, and the console view's command table is keyed
// by them.
namespace cmd {

// Framework commands.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_CLOSE = 57602;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_WINDOW_ARRANGE = 57649;
constexpr int ID_WINDOW_CASCADE = 57650;
constexpr int ID_WINDOW_TILE_HORZ = 57651;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_VIEW_STATUS_BAR = 59393;

// Console commands.
constexpr int ID_STOP_CAPTURE = 32772;
constexpr int ID_DISCONNECT_PORT = 32775;
constexpr int ID_START_CAPTURE = 32776;
constexpr int ID_CONNECT_PORT = 32777;
constexpr int ID_SEND_10K = 32778;
constexpr int ID_RECEIVE_2K = 32780;
constexpr int ID_SEND_IMMEDIATE = 32781;
constexpr int ID_INSTALL_PROFILE_N = 32782;
constexpr int ID_RESET_CUSTOM = 32783;
constexpr int ID_SEND_FIXED_STRING = 32784;
constexpr int ID_INSTALL_PROFILE_D = 32785;
constexpr int ID_DEFINE_ALIAS = 32786;
constexpr int ID_TIMED_WRITE = 32787;
constexpr int ID_SHOW_RESULT_1 = 32788;
constexpr int ID_SHOW_RESULT_2 = 32789;
constexpr int ID_TORTURE_PARAMS = 32790;
constexpr int ID_TORTURE_START = 32791;
constexpr int ID_TORTURE_STOP = 32792;
constexpr int ID_SEND_FILE = 32793;
constexpr int ID_FIRMWARE_RESET = 32794;
constexpr int ID_DUMP_UART = 32795;
constexpr int ID_ASSERT_RTS = 32796;
constexpr int ID_DROP_RTS = 32797;
constexpr int ID_ASSERT_DTR = 32798;
constexpr int ID_DROP_DTR = 32799;

// Vesperline's own commands, clear of the ranges above.
constexpr int ID_VERIFY_PORTS = 32900;

// Status-bar indicators.
constexpr int ID_INDICATOR_CAPS = 59137;
constexpr int ID_INDICATOR_NUM = 59138;
constexpr int ID_INDICATOR_SCRL = 59139;
constexpr int ID_INDICATOR_CAPTURE = 61216;

// Resources.
constexpr int IDR_MAINFRAME = 128; // menu, accelerators, application icon
constexpr int IDR_SERIALTYPE = 129; // console menu, document icon
constexpr int IDB_SPLASH = 105;
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_PORT_SETTINGS = 131;
constexpr int IDD_TORTURE_PARAMS = 133;
constexpr int IDD_SENDING_DATA = 135;

} // namespace cmd
