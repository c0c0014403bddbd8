#pragma once

class ConsoleTarget;
class ConsoleCommandTable;

// "Start Capture...": asks for a file, creates or empties it, locks it against
// other opens that honour locks and lets the receive thread copy every
// received byte into it; the status bar shows "CAPTURE IS ACTIVE".
// Refused with "No port connected", "Capture already active" or "File could
// not be opened." (a file that another program holds locked included).
//
// A write to the file that fails (disk full) ends the capture: the file is
// closed with what was written before, the indicator goes back to "CAPTURE
// NOT ACTIVE" and one message names the OS's error. The receive thread only
// posts the report; it never waits for the message box.
void OnStartCapture(ConsoleTarget& view);

// "Stop Capture...": the view's StopCapture (no guard, no message).
void OnStopCapture(ConsoleTarget& view);

void registerCaptureCommands(ConsoleCommandTable& table);
