#pragma once

class ConsoleCommandTable;

// Fills the console view's command table: one line per group of commands.
void registerConsoleCommands(ConsoleCommandTable& table);
