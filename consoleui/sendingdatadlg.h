#pragma once

#include <QDialog>

// The small "Sending data" window shown while a file goes out: a caption and
// no controls, no close box, centred on the screen, hidden when created.
class SendingDataDlg : public QDialog {
    Q_OBJECT
public:
    explicit SendingDataDlg(QWidget* parent = nullptr);

    // Centres the window on its screen and shows it without waiting for paint.
    void showCentred();

public slots:
    // Not closable by Escape: the window goes when the send has ended.
    void reject() override { }

protected:
    void closeEvent(QCloseEvent* event) override;
};
