#pragma once

#include "verifychoices.h"

#include <QDialog>

#include <optional>

class QDoubleSpinBox;
class QLineEdit;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class LineSettingsControls;
class UiServices;

namespace verifyui {

// The Verify Ports dialog: the choices of `vesperline-cli verify` (ports as
// first and count or as a list, line settings, wiring, modem-line check,
// duration or byte count, minimum rate). OK checks them and keeps the run they describe.
class VerifyPortsDlg : public QDialog {
    Q_OBJECT
public:
    // `ui` shows why a choice is refused.
    VerifyPortsDlg(const VerifyChoices& choices, UiServices& ui, QWidget* parent = nullptr);

    void accept() override;
    const VerifyChoices& choices() const { return m_choices; }
    // After OK.
    const std::optional<VerifyPlan>& plan() const { return m_plan; }

    QRadioButton* rangeChoice() const { return m_range; }
    QSpinBox* firstField() const { return m_first; }
    QSpinBox* countField() const { return m_count; }
    QRadioButton* listChoice() const { return m_listChoice; }
    QLineEdit* listField() const { return m_list; }
    LineSettingsControls* lineControls() const { return m_line; }
    QComboBox* wiringField() const { return m_wiring; }
    QComboBox* modemLinesField() const { return m_modemLines; }
    QRadioButton* durationChoice() const { return m_byTime; }
    QDoubleSpinBox* durationField() const { return m_duration; }
    QRadioButton* bytesChoice() const { return m_byBytes; }
    QLineEdit* bytesField() const { return m_bytes; }
    QDoubleSpinBox* minRateField() const { return m_minRate; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

private:
    void createControls();
    void layOutControls();
    void showChoices(const VerifyChoices& c);
    std::optional<VerifyChoices> readChoices();
    void refuse(const QString& text, QWidget* field);

    UiServices& m_ui;
    VerifyChoices m_choices;
    std::optional<VerifyPlan> m_plan;
    QRadioButton* m_range = nullptr;
    QSpinBox* m_first = nullptr;
    QSpinBox* m_count = nullptr;
    QRadioButton* m_listChoice = nullptr;
    QLineEdit* m_list = nullptr;
    LineSettingsControls* m_line = nullptr;
    QComboBox* m_wiring = nullptr;
    QComboBox* m_modemLines = nullptr;
    QRadioButton* m_byTime = nullptr;
    QDoubleSpinBox* m_duration = nullptr;
    QRadioButton* m_byBytes = nullptr;
    QLineEdit* m_bytes = nullptr;
    QDoubleSpinBox* m_minRate = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace verifyui
