#pragma once

class QDialog;
class QPushButton;

// The OK (default) and Cancel buttons of a dialog, named after their texts
// and wired to accept and reject.
struct OkCancelButtons {
    QPushButton* ok;
    QPushButton* cancel;
};
OkCancelButtons makeOkCancelButtons(QDialog* dialog);
