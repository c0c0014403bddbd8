#pragma once

#include "res/uiservices.h"

// The services of the running application: Qt's message box and file dialogs.
class RealUiServices final : public UiServices {
public:
    void messageBox(const QString& text) override;
    std::optional<QString> openFileName(QWidget* parent) override;
    std::optional<QString> newOrExistingFileName(QWidget* parent) override;
    std::optional<QString> saveFileName(QWidget* parent) override;
    std::optional<TypedFileName> saveFileNameOfType(QWidget* parent, const QStringList& types) override;
    int runModal(QDialog& dialog) override;
};
