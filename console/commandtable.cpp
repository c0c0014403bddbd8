#include "commandtable.h"

void ConsoleCommandTable::add(int id, Handler handler)
{
    m_handlers[id] = std::move(handler);
}

void ConsoleCommandTable::setCharHandler(CharHandler handler)
{
    m_charHandler = std::move(handler);
}

const ConsoleCommandTable::Handler* ConsoleCommandTable::find(int id) const
{
    auto it = m_handlers.find(id);
    return it == m_handlers.end() ? nullptr : &it->second;
}
