#include "realuiservices.h"

#include "res/texts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

void RealUiServices::messageBox(const QString& text)
{
    QMessageBox box(
        QMessageBox::Warning, QString::fromLatin1(txt::AppTitle), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::optional<QString> RealUiServices::openFileName(QWidget* parent)
{
    const QString name
        = QFileDialog::getOpenFileName(parent, QString(), QString(), QString::fromLatin1(txt::DocumentFilter));
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

std::optional<QString> RealUiServices::saveFileName(QWidget* parent)
{
    const QString name
        = QFileDialog::getSaveFileName(parent, QString(), QString(), QString::fromLatin1(txt::DocumentFilter));
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

int RealUiServices::runModal(QDialog& dialog)
{
    return dialog.exec();
}
