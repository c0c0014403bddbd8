#pragma once

#include "portlinesettings.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
struct LineChoices;

// The line-settings fields of a dialog: baud rate, data bits, stop bits,
// parity, and the RTS/CTS and XON/XOFF boxes, each named after its label.
// The port settings dialog and the Verify Ports dialog both show this set.
class LineSettingsControls : public QWidget {
    Q_OBJECT
public:
    explicit LineSettingsControls(QWidget* parent = nullptr);

    // A row above the fields (the port settings dialog's port list), aligned with them.
    void addLeadingRow(QLabel* label, QWidget* field);

    void setValue(const LineSettingsValue& value);
    // Nothing when the baud field does not hold a whole number.
    std::optional<LineSettingsValue> value() const;
    // After a refused baud entry: the field takes the focus, its text selected.
    void focusBaud();

    QLineEdit* baudField() const { return m_baudEdit; }
    QComboBox* dataBitsList() const { return m_dataBitsList; }
    QComboBox* stopBitsList() const { return m_stopBitsList; }
    QComboBox* parityList() const { return m_parityList; }
    QCheckBox* rtsCtsCheck() const { return m_rtsCtsCheck; }
    QCheckBox* xonXoffCheck() const { return m_xonXoffCheck; }

private:
    QComboBox* makeChoiceList(const LineChoices& choices);
    QCheckBox* makeFlowCheck(const char* text);
    void addRow(const char* text, QWidget* field);
    static void selectCode(QComboBox* list, const LineChoices& choices, uint8_t code);

    QGridLayout* m_grid = nullptr;
    QLineEdit* m_baudEdit = nullptr;
    QComboBox* m_dataBitsList = nullptr;
    QComboBox* m_stopBitsList = nullptr;
    QComboBox* m_parityList = nullptr;
    QCheckBox* m_rtsCtsCheck = nullptr;
    QCheckBox* m_xonXoffCheck = nullptr;
};
