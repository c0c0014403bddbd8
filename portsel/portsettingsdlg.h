#pragma once

#include "portlinesettings.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class LineSettingsControls;
class UiServices;

// Modal dialog in which the user picks a console window's port (one of those
// found present at start-up) and its line settings. It starts from the
// settings it is given and, after OK, returns the choice as a plain value;
// opening the port is the caller's business.
class CPortSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // `ui` shows the dialog's own messages (a baud rate that is no number).
    CPortSettingsDlg(
        const PortLineSettings& initial, const QString& docTitle, UiServices& ui, QWidget* parent = nullptr);

    // OK and Enter: checks the baud field, then keeps the choice.
    void accept() override;
    // The choice made with OK; before that, what the dialog was given. With
    // no port present the port name stays the one given.
    const PortLineSettings& choice() const { return m_choice; }

    QLineEdit* baudField() const;
    QComboBox* portList() const { return m_portList; }
    // The device and description of the chosen port.
    QLabel* portAbout() const { return m_portAbout; }
    QComboBox* dataBitsList() const;
    QComboBox* stopBitsList() const;
    QComboBox* parityList() const;
    QCheckBox* rtsCtsCheck() const;
    QCheckBox* xonXoffCheck() const;
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

private:
    void createControls();
    void layOutControls();
    void chainTabOrder();
    void fillPortList();
    void showPortAbout(int index);

    UiServices& m_ui;
    PortLineSettings m_choice;
    LineSettingsControls* m_line = nullptr;
    QComboBox* m_portList = nullptr;
    QLabel* m_portAbout = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

// Builds the dialog and runs it modally through the installed UiServices;
// the choice when closed with OK, nothing when cancelled.
std::optional<PortLineSettings> runPortSettingsDialog(
    UiServices& ui, const PortLineSettings& initial, const QString& docTitle);
