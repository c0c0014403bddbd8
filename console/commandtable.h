#pragma once

#include <cstdint>
#include <functional>
#include <map>

class CVesperlineView;

// The console view's commands: numeric command ID -> handler. Built once, from
// registerConsoleCommands() (consolecommands.cpp), which calls the
// registration function of each group of commands.
class ConsoleCommandTable {
public:
    using Handler = std::function<void(CVesperlineView&)>;
    // Typing in the console pane: one byte per character the key produced.
    using CharHandler = std::function<void(CVesperlineView&, uint8_t)>;

    void add(int id, Handler handler);
    void setCharHandler(CharHandler handler);

    const Handler* find(int id) const;
    const CharHandler& charHandler() const { return m_charHandler; }

    // The table the views use.
    static const ConsoleCommandTable& instance();

private:
    std::map<int, Handler> m_handlers;
    CharHandler m_charHandler;
};
