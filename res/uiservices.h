#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

// Everything that needs a person: message boxes, file dialogs, modal dialogs.
// The application hands the real one (Qt's boxes and dialogs) to what it
// builds; tests hand in a fake that records messages and answers dialogs.
// There is no process-wide instance: whatever asks a person is given one.
class UiServices {
public:
    virtual ~UiServices();

    // Modal message: OK button, warning icon, the application's title as caption.
    virtual void messageBox(const QString& text) = 0;
    // Open-file dialog for a file that exists; nothing when it was not closed with OK.
    virtual std::optional<QString> openFileName(QWidget* parent) = 0;
    // Open-file dialog for a file to write into: a new name or an existing file,
    // with no question about overwriting (the caller empties it); nothing when
    // it was not closed with OK.
    virtual std::optional<QString> newOrExistingFileName(QWidget* parent) = 0;
    // Save-file dialog; nothing when cancelled.
    virtual std::optional<QString> saveFileName(QWidget* parent) = 0;
    // Save-file dialog that offers file types ("JSON report (*.json)"): the
    // name and the index of the type chosen; nothing when cancelled.
    struct TypedFileName {
        QString name;
        int type = 0;
    };
    virtual std::optional<TypedFileName> saveFileNameOfType(QWidget* parent, const QStringList& types)
    {
        return std::nullopt;
    }
    // Runs a dialog modally and returns its result (QDialog::Accepted or Rejected).
    virtual int runModal(QDialog& dialog) = 0;
};
