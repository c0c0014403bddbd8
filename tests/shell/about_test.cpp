#include "res/version.h"
#include "shell/aboutdlg.h"
#include "shell/sysinfo.h"
#include "tests/support/qtfakeuiservices.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

QString labelText(const QDialog& dialog, const char* name)
{
    const auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : QString("<no label %1>").arg(name);
}

// MemTotal from /proc/meminfo: the kernel's own figure for the same memory.
unsigned long memTotalKb()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    unsigned long kb = 0;
    while (meminfo >> key >> kb) {
        if (key == "MemTotal:") return kb;
        meminfo.ignore(256, '\n');
    }
    return 0;
}

dev_t deviceOf(const QString& path)
{
    struct stat st { };
    return stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_dev : dev_t(-1);
}

TEST(AboutBox, ShowsTheProgramAndItsVersion)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "About Vesperline");
    EXPECT_EQ(labelText(dialog, "version"), "Vesperline Version " VESPERLINE_VERSION);
    EXPECT_FALSE(labelText(dialog, "tagline").isEmpty());
    EXPECT_EQ(labelText(dialog, "memoryLabel"), "Free memory:");
    EXPECT_EQ(labelText(dialog, "diskLabel"), "Disk space:");
    const auto* icon = dialog.findChild<QLabel*>("icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    const auto buttons = dialog.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "OK");
    EXPECT_TRUE(buttons[0]->isDefault());
}

TEST(AboutBox, MemoryLineIsTheTotalPhysicalMemoryInKb)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.memoryText(), QString("%1 KB").arg(memTotalKb()));
}

TEST(AboutBox, DiskLineNamesTheFreeSpaceAndTheMountPoint)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CAboutDlg dialog(nullptr, dir.path());
    const auto match = QRegularExpression("^(\\d+) KB Free on (/.*)$").match(dialog.diskText());
    ASSERT_TRUE(match.hasMatch()) << dialog.diskText().toStdString();
    const QString mountPoint = match.captured(2);
    EXPECT_TRUE(dir.path().startsWith(mountPoint));
    EXPECT_EQ(deviceOf(mountPoint), deviceOf(dir.path()));

    QProcess df; // the system's own answer for where that directory is mounted
    df.start("df", { "--output=target", dir.path() });
    if (df.waitForFinished(10000) && df.exitCode() == 0) {
        const auto lines = QString::fromLocal8Bit(df.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[1].trimmed(), mountPoint);
    }
}

TEST(AboutBox, DiskLineSaysUnavailableWhenTheFileSystemCannotBeQueried)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CAboutDlg dialog(nullptr, dir.filePath("no/such/directory"));
    EXPECT_EQ(dialog.diskText(), "Unavailable");
}

TEST(AboutBox, RunsModallyThroughTheUiServices)
{
    FakeUiServices ui;
    QString seenTitle;
    QString seenDisk;
    ui.queueDialog([&](QDialog& dialog) {
        seenTitle = dialog.windowTitle();
        seenDisk = static_cast<CAboutDlg&>(dialog).diskText();
        return int(QDialog::Accepted);
    });
    showAboutBox(ui, nullptr);
    EXPECT_EQ(ui.dialogsRun, 1);
    EXPECT_EQ(seenTitle, "About Vesperline");
    // The free space itself may move while others write; the form and the mount point may not.
    const QString expected = aboutDiskLine(QDir::currentPath()).section(" Free on ", 1);
    EXPECT_TRUE(QRegularExpression("^\\d+ KB Free on ").match(seenDisk).hasMatch()) << seenDisk.toStdString();
    EXPECT_EQ(seenDisk.section(" Free on ", 1), expected);
}

TEST(MountPoints, LongestMatchingMountPointWins)
{
    const std::string mountinfo = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                  "30 22 8:2 / /home rw - ext4 /dev/sda2 rw\n"
                                  "31 22 8:3 / /home2 rw - ext4 /dev/sda3 rw\n"
                                  "32 30 0:5 / /home/my\\040disk rw - vfat /dev/sdb1 rw\n";
    EXPECT_EQ(mountPointIn(mountinfo, "/home/user"), "/home");
    EXPECT_EQ(mountPointIn(mountinfo, "/home"), "/home");
    EXPECT_EQ(mountPointIn(mountinfo, "/home2x/a"), "/");
    EXPECT_EQ(mountPointIn(mountinfo, "/home2/a"), "/home2");
    EXPECT_EQ(mountPointIn(mountinfo, "/home/my disk/files"), "/home/my disk");
    EXPECT_EQ(mountPointIn(mountinfo, "/usr"), "/");
}

TEST(MountPoints, NothingMatchesWithoutARootEntryOrWithGarbage)
{
    EXPECT_EQ(mountPointIn("30 22 8:2 / /home rw - ext4 /dev/sda2 rw\n", "/usr"), std::nullopt);
    EXPECT_EQ(mountPointIn("garbage\n\n", "/usr"), std::nullopt);
    EXPECT_EQ(mountPointIn("", "/"), std::nullopt);
}

} // namespace
