#pragma once

class ConsoleTarget;
class ConsoleCommandTable;

// "Port Parameters": the process's "Port Info" dialog, run modally.
void OnTortureParams(ConsoleTarget& view);

// "Start Test": frees this window's own port (even while a run is active),
// then starts the process's load run with the current parameters on the
// global device namespace and shows its progress in the newest console view.
void OnStartTest(ConsoleTarget& view);

// "Stop Test": ends the run; nothing happens when none is active.
void OnStopTest(ConsoleTarget& view);

void registerTortureCommands(ConsoleCommandTable& table);
