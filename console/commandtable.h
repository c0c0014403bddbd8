#pragma once

#include <cstdint>
#include <functional>
#include <map>

class ConsoleTarget;

// The console view's commands: numeric command ID -> handler. Each group of
// commands registers its handlers into a table it is given; the shell fills
// one table (registerConsoleCommands) and hands it to every console view.
class ConsoleCommandTable {
public:
    using Handler = std::function<void(ConsoleTarget&)>;
    // Typing in the console pane: one byte per character the key produced.
    using CharHandler = std::function<void(ConsoleTarget&, uint8_t)>;

    void add(int id, Handler handler);
    void setCharHandler(CharHandler handler);

    const Handler* find(int id) const;
    const CharHandler& charHandler() const { return m_charHandler; }

private:
    std::map<int, Handler> m_handlers;
    CharHandler m_charHandler;
};
