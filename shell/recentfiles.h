#pragma once

#include <QSettings>
#include <QStringList>

// The recent-file list of the standard profile settings (4 entries, newest
// first), kept under [Recent File List] File1..File4.
class CRecentFiles {
public:
    static constexpr int Size = 4;

    explicit CRecentFiles(QSettings& settings);
    void load();
    void add(const QString& path);
    QStringList files() const { return m_files; }

private:
    void save();

    QSettings& m_settings;
    QStringList m_files;
};
