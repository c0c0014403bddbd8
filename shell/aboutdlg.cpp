#include "aboutdlg.h"

#include "res/texts.h"
#include "res/uiservices.h"
#include "splashresources.h"
#include "sysinfo.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int IconSize = 32;

QLabel* iconLabel(QWidget* parent)
{
    initResourceBundle();
    auto* label = new QLabel(parent);
    label->setObjectName("icon");
    label->setAccessibleName(QString::fromLatin1(txt::AppIconName));
    label->setPixmap(QIcon(":/icons/vesperline.png").pixmap(IconSize, IconSize));
    label->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    return label;
}

QLabel* textLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* okButton(QDialog* dialog)
{
    auto* ok = new QPushButton(txt::Ok, dialog);
    ok->setAccessibleName(ok->text());
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    return ok;
}

QGridLayout* factsLayout(QWidget* parent, QLabel* memory, QLabel* disk)
{
    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(12);
    facts->addWidget(textLabel(txt::VersionLine, "version", parent), 0, 0, 1, 2);
    facts->addWidget(textLabel(txt::AboutSecondLine, "tagline", parent), 1, 0, 1, 2);
    facts->setRowMinimumHeight(2, 8);
    facts->addWidget(textLabel(txt::FreeMemoryLabel, "memoryLabel", parent), 3, 0);
    facts->addWidget(memory, 3, 1);
    facts->addWidget(textLabel(txt::DiskSpaceLabel, "diskLabel", parent), 4, 0);
    facts->addWidget(disk, 4, 1);
    facts->setColumnStretch(1, 1);
    return facts;
}

} // namespace

QString aboutMemoryLine()
{
    const auto kb = totalMemoryKb();
    if (!kb) return txt::Unavailable;
    return QString::asprintf(txt::KbFormat, static_cast<unsigned long>(*kb));
}

QString aboutDiskLine(const QString& directory)
{
    const auto space = diskSpaceOf(directory.toStdString());
    if (!space) return txt::Unavailable;
    return QString::asprintf(txt::KbFreeOnFormat, static_cast<unsigned long>(space->freeKb), space->mountPoint.c_str());
}

CAboutDlg::CAboutDlg(QWidget* parent, const QString& directory)
    : QDialog(parent)
    , m_memory(textLabel(aboutMemoryLine(), "memory", this))
    , m_disk(textLabel(aboutDiskLine(directory.isEmpty() ? QDir::currentPath() : directory), "disk", this))
{
    setWindowTitle(txt::AboutCaption);
    setAccessibleName(windowTitle());
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(iconLabel(this));
    top->addLayout(factsLayout(this, m_memory, m_disk), 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton(this));
    buttons->addStretch();

    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addSpacing(8);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::memoryText() const
{
    return m_memory->text();
}

QString CAboutDlg::diskText() const
{
    return m_disk->text();
}

void showAboutBox(UiServices& ui, QWidget* parent)
{
    CAboutDlg dialog(parent);
    ui.runModal(dialog);
}
