#pragma once

#include "res/uiservices.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

// Records every message and answers dialogs from scripts queued by the test,
// which hands it to what it builds.
class FakeUiServices final : public UiServices {
public:
    using DialogScript = std::function<int(QDialog&)>;
    // Which file dialog the code asked for.
    enum class FileDialog { ExistingFile, NewOrExistingFile, SaveFile, SaveFileOfType };

    void messageBox(const QString& text) override;
    std::optional<QString> openFileName(QWidget* parent) override;
    std::optional<QString> newOrExistingFileName(QWidget* parent) override;
    std::optional<QString> saveFileName(QWidget* parent) override;
    std::optional<TypedFileName> saveFileNameOfType(QWidget* parent, const QStringList& types) override;
    int runModal(QDialog& dialog) override;

    // Answers for the next file dialogs (nullopt = cancel); none queued: cancel.
    void queueFileName(std::optional<QString> name) { m_fileNames.push_back(std::move(name)); }
    // Answer for the next save dialog with file types: a name and the type
    // chosen (an index into the types offered); none queued: cancel.
    void queueTypedFileName(std::optional<TypedFileName> answer) { m_typedNames.push_back(std::move(answer)); }
    // Script for the next modal dialog; none queued: the dialog is rejected.
    void queueDialog(DialogScript script) { m_dialogs.push_back(std::move(script)); }
    // Runs while a message box is "open" (for example to check what the
    // application does before the user dismisses it).
    std::function<void(const QString&)> onMessage;
    // Runs once a file dialog has given a name, before the caller acts on it
    // (for example to change the file behind the program's back).
    std::function<void(const QString&)> onFileChosen;

    QStringList messages;
    int dialogsRun = 0;
    int fileDialogsRun = 0;
    std::vector<FileDialog> fileDialogsAsked;
    QStringList fileTypesOffered; // by the last save dialog with file types

private:
    std::optional<QString> nextFileName(FileDialog kind);

    std::deque<std::optional<QString>> m_fileNames;
    std::deque<std::optional<TypedFileName>> m_typedNames;
    std::deque<DialogScript> m_dialogs;
};
