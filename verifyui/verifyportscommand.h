#pragma once

#include "verifychoices.h"

#include "portio/devicenamespace.h"

#include <QPointer>

class QWidget;

namespace verifyui {

class VerifyWindow;

// "Verify Ports...": asks for a run in the Verify Ports dialog, then opens a
// window that runs it. The dialog starts from the last choices made with OK
// in this session.
class VerifyPortsCommand {
public:
    explicit VerifyPortsCommand(portio::DeviceNamespace& ns)
        : m_ns(ns)
    {
    }

    // The run's window (it deletes itself when closed), or null when the
    // dialog was cancelled.
    VerifyWindow* run(QWidget* parent);
    const VerifyChoices& lastChoices() const { return m_choices; }

private:
    portio::DeviceNamespace& m_ns;
    VerifyChoices m_choices;
};

} // namespace verifyui
