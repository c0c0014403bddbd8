#pragma once

#include "portsel/portdiscovery.h"
#include "portsel/portsettingsdlg.h"
#include "tests/support/qtfakeuiservices.h"

#include <QComboBox>
#include <QPushButton>

#include <array>
#include <cstdint>
#include <initializer_list>

// Answers to the port settings dialog for tests of commands that ask for a
// port, and the list of ports the dialog offers.

// The user picks `port` and presses OK.
inline void queuePortChoice(FakeUiServices& ui, const char* port)
{
    ui.queueDialog([port](QDialog& d) {
        auto& dlg = static_cast<CPortSettingsDlg&>(d);
        dlg.portList()->setCurrentIndex(dlg.portList()->findText(QString::fromLatin1(port)));
        dlg.okButton()->click();
        return dlg.result();
    });
}

// The user presses Cancel.
inline void queuePortCancel(FakeUiServices& ui)
{
    ui.queueDialog([](QDialog& d) {
        static_cast<CPortSettingsDlg&>(d).cancelButton()->click();
        return d.result();
    });
}

// The ports the dialog lists, as discovery would have found them; restored afterwards.
class ListedPorts {
public:
    explicit ListedPorts(std::initializer_list<int> comNumbers)
        : m_saved(g_portPresent)
    {
        g_portPresent.fill(0);
        for (int n : comNumbers)
            g_portPresent[n - 1] = 1;
    }
    ~ListedPorts() { g_portPresent = m_saved; }
    ListedPorts(const ListedPorts&) = delete;
    ListedPorts& operator=(const ListedPorts&) = delete;

private:
    std::array<int32_t, 99> m_saved;
};
