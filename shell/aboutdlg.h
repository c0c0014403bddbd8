#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QWidget;
class UiServices;

// The about box: program icon, version, and two facts about the system, read
// once when the box is made: the total physical memory (under the label
// "Free memory:") and the free space of the file system holding `directory`
// (the current directory when empty).
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr, const QString& directory = QString());

    QString memoryText() const;
    QString diskText() const;

private:
    QLabel* m_memory;
    QLabel* m_disk;
};

// "16303580 KB", or "Unavailable" when the kernel does not say.
QString aboutMemoryLine();
// "2044800 KB Free on /home", or "Unavailable" when the file system cannot be queried.
QString aboutDiskLine(const QString& directory);

// Runs the about box modally (through UiServices::runModal) for the current directory.
void showAboutBox(UiServices& ui, QWidget* parent);
