#pragma once

#include "verifychoices.h"

#include "portio/devicenamespace.h"

#include <QPointer>

class QWidget;
class UiServices;

namespace verifyui {

class VerifyWindow;

// "Verify Ports...": asks for a run in the Verify Ports dialog, then opens a
// window that runs it. The dialog starts from the last choices made with OK
// in this session.
class VerifyPortsCommand {
public:
    VerifyPortsCommand(portio::DeviceNamespace& ns, UiServices& ui)
        : m_ns(ns)
        , m_ui(ui)
    {
    }

    // The run's window (it deletes itself when closed), or null when the
    // dialog was cancelled.
    VerifyWindow* run(QWidget* parent);
    const VerifyChoices& lastChoices() const { return m_choices; }

private:
    portio::DeviceNamespace& m_ns;
    UiServices& m_ui;
    VerifyChoices m_choices;
};

} // namespace verifyui
