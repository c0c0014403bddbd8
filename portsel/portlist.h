#pragma once

#include <QString>

#include <vector>

class QComboBox;

// A port found present at start-up.
struct PresentPort {
    QString name; // "COM3": the entry's text, what the dialog returns
    QString about; // "/dev/ttyUSB0, FTDI FT232R USB UART, serial A1, driver ftdi_sio"
};

// The present ports, lowest number first, each with its device and what the
// system knows of it now.
std::vector<PresentPort> presentPorts();

// Fills the port list: the COM names are the entries (their text is what
// readers of the list get), the descriptions a second column of the
// dropped-down list.
void fillPortList(QComboBox* list, const std::vector<PresentPort>& ports);
// The description of entry `index`; empty for none.
QString portAbout(const QComboBox* list, int index);
