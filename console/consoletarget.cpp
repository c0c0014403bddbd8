#include "consoletarget.h"

#include "commandtable.h"

ConsoleTarget::ConsoleTarget(const ConsoleEnvironment& environment)
    : m_session(environment.devices)
    , m_portCtx(m_session.m_portCtx)
    , m_commands(environment.commands)
    , m_ui(environment.ui)
{
}

ConsoleTarget::~ConsoleTarget() = default;

int ConsoleTarget::OpenPort()
{
    m_session.setEvents(sessionEvents());
    return m_session.OpenPort();
}

bool ConsoleTarget::runCommand(int id)
{
    const auto* handler = m_commands.find(id);
    if (!handler) return false;
    (*handler)(*this);
    return true;
}

bool ConsoleTarget::hasCommand(int id) const
{
    return m_commands.find(id) != nullptr;
}

void ConsoleTarget::typeByte(uint8_t ch)
{
    if (const auto& onChar = m_commands.charHandler()) onChar(*this, ch);
}

ConsoleTarget::BusyScope::BusyScope(ConsoleTarget& t)
    : target(t)
{
    ++target.m_busy;
}

ConsoleTarget::BusyScope::~BusyScope()
{
    --target.m_busy;
}
