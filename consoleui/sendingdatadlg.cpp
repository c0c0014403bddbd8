#include "sendingdatadlg.h"

#include "res/texts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace {

// 92 x 20 dialog units at the usual 8-point font.
constexpr QSize WindowSize(138, 33);

} // namespace

SendingDataDlg::SendingDataDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QString::fromLatin1(txt::SendingData));
    setAccessibleName(windowTitle());
    setModal(false);
    setFixedSize(WindowSize);
}

void SendingDataDlg::showCentred()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

void SendingDataDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
