#pragma once

#include "modalscript.h"
#include "ptypeer.h"

#include "shell/realuiservices.h"
#include "shell/vesperlineapp.h"

#include <QString>

#include <gtest/gtest.h>

#include <memory>

class CMainFrame;
class CRecView;
class CVesperlineView;

// The application started as from a command line, with the real services
// (Qt's message boxes and file dialogs) and a pseudo-terminal peer mapped to
// a COM name, so the port settings dialog lists it. Settings and the file
// dialog's history go to a temporary place.
class RealApp : public ::testing::Test {
protected:
    static constexpr const char* PeerPort = "COM77";

    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    CMainFrame& frame() const;
    CVesperlineView& view() const;
    CRecView& pane() const;
    // The menu item (or accelerator) of command `id` is chosen.
    void choose(int id);
    // Connect Port... through the real dialog, choosing the peer's port.
    void connectToPeer();
    // Waits for the peer's bytes to be shown in the receive pane.
    bool paneShows(const QString& text);
    QString statusMessage() const;

    PtyPeer peer;
    RealUiServices ui;
    std::unique_ptr<CVesperlineApp> app;
};
