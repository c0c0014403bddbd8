#pragma once

#include "res/version.h"

// Every text the user sees, exactly as it is shown (blanks included).
namespace txt {

// Application and status bar.
inline constexpr const char* AppTitle = "Vesperline";
inline constexpr const char* Ready = "Ready";
inline constexpr const char* IndicatorCaps = "CAP";
inline constexpr const char* IndicatorNum = "NUM";
inline constexpr const char* IndicatorScrl = "SCRL";
inline constexpr const char* CaptureActive = "CAPTURE IS ACTIVE";
inline constexpr const char* CaptureNotActive = "CAPTURE NOT ACTIVE";
inline constexpr const char* ThreadTitlePrefix = "Thread ";
inline constexpr const char* ConnectedTo = " connected to ";
inline constexpr const char* NoPortName = "None";

// Port console.
inline constexpr const char* NoPortConnected = "No port connected";
inline constexpr const char* PortCouldNotBeOpened = "The port could not be opened";
inline constexpr const char* EventCreateFailed = "Failed to create event for thread!";
inline constexpr const char* Alloc10kFailed = "Could not alocate 10k";
inline constexpr const char* SendImmediateFailed = "Send immediate failed";
inline constexpr const char* SetRtsFailed = "IOCTL_SERIAL_SET_RTS failed";
inline constexpr const char* ClrRtsFailed = "IOCTL_SERIAL_CLR_RTS failed";
inline constexpr const char* SetDtrFailed = "IOCTL_SERIAL_SET_DTR failed";
inline constexpr const char* ClrDtrFailed = "IOCTL_SERIAL_CLR_DTR failed";
inline constexpr const char* CaptureAlreadyActive = "Capture already active";
inline constexpr const char* FileCouldNotBeOpened = "File could not be opened.";
inline constexpr const char* FileMapCouldNotBeOpened = "File map could not be opened.";
inline constexpr const char* CouldNotMapView = "Could not map view of file.";
inline constexpr const char* CouldNotCreateModeless = "Could not create modeless dialogue";
inline constexpr const char* SendingData = "Sending data";
inline constexpr const char* GetTimeoutsFailed = "GetTimeouts failed";
inline constexpr const char* SetTimeoutsFailed = "setTimeouts failed";
inline constexpr const char* WaitTimedOut = "WaitForSingleObject timed out";
inline constexpr const char* AsyncReadCompleted = "Asynchronous read completed";
inline constexpr const char* WriteFileFailed = "Write file failed";

// Port settings dialog.
inline constexpr const char* SelectPortFor = "Select port for ";
inline constexpr const char* PleaseEnterInteger = "Please enter an integer.";
inline constexpr const char* ComboBoxNotCreated = "ComboBox not created";
inline constexpr const char* CheckBoxNotCreated = "CheckBox not created";

// Torture test.
inline constexpr const char* PortInfo = "Port Info";
inline constexpr const char* PleaseEnterPositiveInteger = "Please enter a positive integer.";
inline constexpr const char* CouldNotBeOpenedAborting = " could not be opened. Aborting operation...";
inline constexpr const char* SetCommStateFailed = "SetCommState failed";
inline constexpr const char* KbSent = "   KB sent: ";

// Driver extensions.
inline constexpr const char* MallocFailed = "malloc failed";
inline constexpr const char* GetExtraFailed = "GetExtra failed";
inline constexpr const char* SetExtraFailed = "SetExtra failed";
inline constexpr const char* SetCustomFailed = "SetCustom failed";
inline constexpr const char* SetProtocolFailed = "SetProtocol failed";
inline constexpr const char* ResetCustomFailed = "Reset Custom failed";
inline constexpr const char* GetLastReadResultFailed = "GetLastReadResult failed";
inline constexpr const char* FirmwareResetFailed = "VL330 firmware reset failed";
inline constexpr const char* DumpUartFailed = "VL330 dump uart failed";
inline constexpr const char* FirmwareResetNotice = "If active, the vldrv330 driver will restart the firmware...";
inline constexpr const char* DumpUartNotice = "If active, the vldrv330 driver will dump the uart...";
inline constexpr const char* ErrorDefiningDosDevice = "Error defining DosDevice";

// About box.
inline constexpr const char* AboutCaption = "About Vesperline";
inline constexpr const char* VersionLine = "Vesperline Version " VESPERLINE_VERSION;
inline constexpr const char* KbFormat = "%lu KB"; // string 102
inline constexpr const char* KbFreeOnFormat = "%lu KB Free on %s"; // string 103, with a mount point
inline constexpr const char* Unavailable = "Unavailable"; // string 104
inline constexpr const char* FreeMemoryLabel = "Free memory:";
inline constexpr const char* DiskSpaceLabel = "Disk space:";
inline constexpr const char* AboutSecondLine = "Serial port test utility for Linux";
inline constexpr const char* Ok = "OK";

// Receive 2K: the read ended with an error instead of the bytes asked for.
inline constexpr const char* AsyncReadFailed = "Asynchronous read failed";

// Torture test parameters dialog labels, and the start of the progress text.
inline constexpr const char* FirstComPortLabel = "First COM port:";
inline constexpr const char* PortCountLabel = "Port Count:";
inline constexpr const char* BaudRateLabel = "Baud Rate:";
inline constexpr const char* ComPrefix = "COM ";

} // namespace txt

// Receive pane notices (our own: shown where received bytes were not displayed
// or the port stopped delivering).
namespace txt {
inline constexpr const char* BytesNotShown = "[%1 bytes not shown]";
inline constexpr const char* PortGone = "[port %1 is gone: %2]";
inline constexpr const char* ReceiveStopped = "[port %1: receiving stopped: %2]";
// %1 the port name, %2 its device path.
inline constexpr const char* PortDisconnected = "%1 (%2) disconnected";
inline constexpr const char* PortReconnected = "%1 (%2) reconnected";
inline constexpr const char* PortReopenRetrying = "%1 (%2) is back but cannot be opened yet, trying again";
inline constexpr const char* DocumentFilter = "All Files (*)";
} // namespace txt

// Capture and send-from-file notices of our own: a capture file that could not
// be written, a file too large to send in one request.
namespace txt {
inline constexpr const char* CaptureWriteFailed = "Capture stopped: the capture file could not be written (%1).";
inline constexpr const char* FileTooLargeToSend = "Files of 4 GiB or more cannot be sent.";
// Typed or committed text with characters that have no Latin-1 byte.
inline constexpr const char* NotSentOutsideLatin1 = "Characters outside Latin-1 are not sent";
} // namespace txt

// Accessible names (read by screen readers and automation, never shown) of
// controls whose purpose has no visible label.
namespace txt {
inline constexpr const char* ConsolePaneName = "Console";
inline constexpr const char* ReceivePaneName = "Received data";
inline constexpr const char* MessageAreaName = "Message area";
inline constexpr const char* CapsIndicatorName = "Caps Lock indicator";
inline constexpr const char* NumIndicatorName = "Num Lock indicator";
inline constexpr const char* ScrlIndicatorName = "Scroll Lock indicator";
inline constexpr const char* CaptureIndicatorName = "Capture indicator";
inline constexpr const char* AppIconName = "Vesperline icon";
} // namespace txt

// The receive pane's view controls, and their state for screen readers.
namespace txt {
inline constexpr const char* HexView = "Hex";
inline constexpr const char* TimeStamps = "Time stamps";
inline constexpr const char* StampsOff = "Off";
inline constexpr const char* StampsClock = "Clock";
inline constexpr const char* StampsSincePrevious = "Since previous";
inline constexpr const char* ControlOn = "%1 on";
inline constexpr const char* ControlOff = "%1 off";
inline constexpr const char* ControlChoice = "%1: %2";
inline constexpr const char* ViewBarName = "Receive view";
// The port settings dialog's line under the port list.
inline constexpr const char* PortAboutName = "Port description";
} // namespace txt
