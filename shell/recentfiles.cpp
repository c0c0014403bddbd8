#include "recentfiles.h"

#include <QFileInfo>

namespace {
const QString Group = QStringLiteral("Recent File List");
}

CRecentFiles::CRecentFiles(QSettings& settings)
    : m_settings(settings)
{
}

void CRecentFiles::load()
{
    m_files.clear();
    m_settings.beginGroup(Group);
    for (int i = 1; i <= Size; ++i) {
        const QString file = m_settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty()) m_files << file;
    }
    m_settings.endGroup();
}

void CRecentFiles::add(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(full);
    m_files.prepend(full);
    while (m_files.size() > Size)
        m_files.removeLast();
    save();
}

void CRecentFiles::save()
{
    m_settings.beginGroup(Group);
    for (int i = 1; i <= Size; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_files.size())
            m_settings.setValue(key, m_files[i - 1]);
        else
            m_settings.remove(key);
    }
    m_settings.endGroup();
}
