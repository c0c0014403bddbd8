#pragma once

#include "tortureparams.h"

#include <QDialog>

class QLineEdit;
class UiServices;

// "Port Info": edits the load run's three parameters. The process has one
// instance, whose own copy of the values persists between showings; OK checks
// the three fields in order and only then makes them the run's parameters.
class CTortureParamsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CTortureParamsDlg(QWidget* parent = nullptr);

    // The process's dialog: made on first use, destroyed with the application.
    static CTortureParamsDlg& instance();

    // Fills the fields from the dialog's copy and runs it modally through
    // `ui`, which also shows its refusals; returns QDialog::Accepted or
    // QDialog::Rejected.
    int doModal(UiServices& ui);

    // The dialog's own copy of the values (what the next showing displays).
    const torture::TortureParams& values() const { return m_values; }

    void accept() override;

private:
    void loadFields();
    QLineEdit* addField(class QGridLayout* grid, int row, const char* label, const char* name);

    torture::TortureParams m_values;
    UiServices* m_ui = nullptr; // of the showing under way
    QLineEdit* m_firstComPort = nullptr;
    QLineEdit* m_portCount = nullptr;
    QLineEdit* m_baudRate = nullptr;
};
