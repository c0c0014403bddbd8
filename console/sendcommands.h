#pragma once

class ConsoleTarget;
class ConsoleCommandTable;

// The send tests. Each shows "No port connected" when the window is not
// connected; otherwise it puts its pattern on the line and shows nothing (a
// write that the write time-out cuts short is not reported).

// "Send 10K": 10,240 bytes 0x41 in one write.
void OnSend10K(ConsoleTarget& view);
// "Send Immediate ": the byte 0x63 ahead of queued output; "Send immediate
// failed" when the port refuses it.
void OnSendImmediate(ConsoleTarget& view);
// "Send a fixed string": the letters a to z and one 0x00 byte, 27 bytes in one write.
void OnSendFixedString(ConsoleTarget& view);

// Whether the window is connected; shows "No port connected" when it is not.
// The guard every console test command starts with.
bool requireConnection(ConsoleTarget& view);

void registerSendCommands(ConsoleCommandTable& table);
