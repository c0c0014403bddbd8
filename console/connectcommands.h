#pragma once

class ConsoleTarget;
class ConsoleCommandTable;

// "Connect Port...": asks for a port and its line settings, opens it and shows
// " connected to " + the port in the window title. Does nothing while the
// window is connected.
void OnConnectPort(ConsoleTarget& view);

// "Disconnect Port": closes the port, takes the connection off the title and
// forgets the port ("None"). Does nothing while the window is not connected.
// Commands that take a port over for themselves call it first.
void OnDisconnectPort(ConsoleTarget& view);

void registerConnectCommands(ConsoleCommandTable& table);
