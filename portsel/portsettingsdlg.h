#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct LineChoices;
struct PortContext;

// Modal dialog in which the user picks a console window's port (one of those
// found present at start-up) and its line settings. OK writes the choices
// into the port context; opening the port is the caller's business. Every
// dialog starts from the defaults, never from what the port context holds.
class CPortSettingsDlg : public QDialog {
    Q_OBJECT
public:
    CPortSettingsDlg(PortContext& portCtx, const QString& docTitle, QWidget* parent = nullptr);

    // OK and Enter: checks the baud field, then writes the port context.
    void accept() override;

    QLineEdit* baudField() const { return m_baudEdit; }
    QComboBox* portList() const { return m_portList; }
    QComboBox* dataBitsList() const { return m_dataBitsList; }
    QComboBox* stopBitsList() const { return m_stopBitsList; }
    QComboBox* parityList() const { return m_parityList; }
    QCheckBox* rtsCtsCheck() const { return m_rtsCtsCheck; }
    QCheckBox* xonXoffCheck() const { return m_xonXoffCheck; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

private:
    void createControls();
    void layOutControls();
    void chainTabOrder();
    void fillPortList();
    QComboBox* makeChoiceList(const LineChoices& choices);
    QCheckBox* makeFlowCheck(const char* text);
    void refuseBaud();
    void storeChoices();

    PortContext& m_portCtx;
    int32_t m_nBaud = 9600;
    QLineEdit* m_baudEdit = nullptr;
    QLabel* m_portLabel = nullptr;
    QComboBox* m_portList = nullptr;
    QComboBox* m_dataBitsList = nullptr;
    QComboBox* m_stopBitsList = nullptr;
    QComboBox* m_parityList = nullptr;
    QCheckBox* m_rtsCtsCheck = nullptr;
    QCheckBox* m_xonXoffCheck = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

// Builds the dialog for a console window and runs it modally through the
// installed UiServices; returns QDialog::Accepted or Rejected. Callers decide
// by the port context's portName afterwards ("None": nothing chosen).
int runPortSettingsDialog(PortContext& portCtx, const QString& docTitle);
