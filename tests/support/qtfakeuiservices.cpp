#include "qtfakeuiservices.h"

void FakeUiServices::messageBox(const QString& text)
{
    messages.push_back(text);
    if (onMessage) onMessage(text);
}

std::optional<QString> FakeUiServices::nextFileName(FileDialog kind)
{
    ++fileDialogsRun;
    fileDialogsAsked.push_back(kind);
    if (m_fileNames.empty()) return std::nullopt;
    auto name = m_fileNames.front();
    m_fileNames.pop_front();
    if (name && onFileChosen) onFileChosen(*name);
    return name;
}

std::optional<QString> FakeUiServices::openFileName(QWidget*)
{
    return nextFileName(FileDialog::ExistingFile);
}

std::optional<QString> FakeUiServices::newOrExistingFileName(QWidget*)
{
    return nextFileName(FileDialog::NewOrExistingFile);
}

std::optional<QString> FakeUiServices::saveFileName(QWidget*)
{
    return nextFileName(FileDialog::SaveFile);
}

std::optional<UiServices::TypedFileName> FakeUiServices::saveFileNameOfType(QWidget*, const QStringList& types)
{
    ++fileDialogsRun;
    fileDialogsAsked.push_back(FileDialog::SaveFileOfType);
    fileTypesOffered = types;
    if (m_typedNames.empty()) return std::nullopt;
    auto answer = m_typedNames.front();
    m_typedNames.pop_front();
    return answer;
}

int FakeUiServices::runModal(QDialog& dialog)
{
    ++dialogsRun;
    if (m_dialogs.empty()) return QDialog::Rejected;
    auto script = std::move(m_dialogs.front());
    m_dialogs.pop_front();
    return script(dialog);
}
