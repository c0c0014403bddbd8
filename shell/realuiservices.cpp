#include "realuiservices.h"

#include "res/texts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>

namespace {

// One modal file dialog; the chosen path, or nothing when it was not closed with OK.
std::optional<QString> runFileDialog(QWidget* parent, QFileDialog::FileMode mode, QFileDialog::AcceptMode accept)
{
    QFileDialog dialog(parent, QString(), QString(), QString::fromLatin1(txt::DocumentFilter));
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString name = dialog.selectedFiles().constFirst();
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

} // namespace

void RealUiServices::messageBox(const QString& text)
{
    QMessageBox box(
        QMessageBox::Warning, QString::fromLatin1(txt::AppTitle), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::optional<QString> RealUiServices::openFileName(QWidget* parent)
{
    return runFileDialog(parent, QFileDialog::ExistingFile, QFileDialog::AcceptOpen);
}

// An open dialog that takes any name: a save dialog would ask before
// "overwriting" a file that is only going to be emptied and written.
std::optional<QString> RealUiServices::newOrExistingFileName(QWidget* parent)
{
    return runFileDialog(parent, QFileDialog::AnyFile, QFileDialog::AcceptOpen);
}

std::optional<QString> RealUiServices::saveFileName(QWidget* parent)
{
    return runFileDialog(parent, QFileDialog::AnyFile, QFileDialog::AcceptSave);
}

std::optional<UiServices::TypedFileName> RealUiServices::saveFileNameOfType(QWidget* parent, const QStringList& types)
{
    QFileDialog dialog(parent);
    dialog.setNameFilters(types);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString name = dialog.selectedFiles().constFirst();
    if (name.isEmpty()) return std::nullopt;
    return TypedFileName { name, int(std::max<qsizetype>(0, types.indexOf(dialog.selectedNameFilter()))) };
}

int RealUiServices::runModal(QDialog& dialog)
{
    return dialog.exec();
}
