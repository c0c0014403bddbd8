#pragma once

#include "res/uiservices.h"

#include <QString>

// Answers a capture's file dialog with a fixed path; message boxes go to stderr.
class FixedFileUi final : public UiServices {
public:
    explicit FixedFileUi(QString path);
    void messageBox(const QString& text) override;
    std::optional<QString> openFileName(QWidget*) override { return std::nullopt; }
    std::optional<QString> newOrExistingFileName(QWidget*) override { return m_path; }
    std::optional<QString> saveFileName(QWidget*) override { return std::nullopt; }
    int runModal(QDialog&) override { return 0; }

private:
    QString m_path;
};
