// The line status strip at the sizes the main window gives a console window
// (800x496 at its default size, 640x400 the least): every text shows whole,
// also the longest the strip has.
#include "tests/consoleui/stripwindow.h"
#include "tests/support/qtfakeuiservices.h"
#include "tests/support/qtfits.h"

#include <QApplication>
#include <gtest/gtest.h>

TEST(StripFits, NoTextIsCutAtTheWindowSizesTheMainWindowGives)
{
    FakeUiServices ui;
    StripWindow win { ui };
    linestatus::LineState longest; // every line "n/a": the widest light texts
    longest.rxBytes = longest.txBytes = 1234567890;
    longest.rxRate = longest.txRate = 921600;
    longest.errors = linestatus::ErrorCounts { 12345, 12345, 12345, 12345, 12345 };
    win.strip().setState(longest);
    win.strip().setStatusText(
        QStringLiteral("COM3 (/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00) disconnected"));
    for (const QSize size : { QSize(800, 496), QSize(640, 400) }) {
        win.frame->resize(size);
        win.frame->show();
        ASSERT_TRUE(uiWaitFor([&] { return win.frame->isVisible() && win.strip().width() > 0; }));
        QApplication::processEvents();
        // A strip too wide for the window would make the window wider than
        // the main window gives it, and be cut at the main window's edge.
        EXPECT_EQ(win.frame->width(), size.width()) << "the strip needs " << win.strip().minimumSizeHint().width();
        EXPECT_EQ(cutTexts(&win.strip()).join(QStringLiteral("; ")).toStdString(), "")
            << size.width() << "x" << size.height() << ", window " << win.frame->width() << "x" << win.frame->height();
    }
}
