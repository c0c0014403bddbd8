#include "replugline.h"

#include <unistd.h>

namespace fs = std::filesystem;

ReplugLine::ReplugLine()
    : m_dir(fs::temp_directory_path() / ("vl-replug-" + std::to_string(::getpid())))
    , m_link(m_dir / "ttyREPLUG")
    , m_devices(portio::DeviceNamespace::Config { m_dir.string(), (m_dir / "links").string() })
{
    fs::create_directories(m_dir);
    plugNew();
    m_devices.define(portName(), m_link.string());
}

ReplugLine::~ReplugLine()
{
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
}

void ReplugLine::removeLink()
{
    fs::remove(m_link);
}

void ReplugLine::hangUp()
{
    pty().closeMaster();
}

void ReplugLine::plugNew(bool locked)
{
    m_ptys.push_back(std::make_unique<PtyPair>());
    if (locked) pty().lockSlave(true);
    const fs::path next = m_dir / "next";
    fs::create_symlink(pty().slavePath(), next);
    fs::rename(next, m_link);
}
