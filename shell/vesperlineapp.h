#pragma once

#include "commandline.h"

#include "console/commandtable.h"
#include "console/consoleenvironment.h"
#include "portio/devicenamespace.h"

#include <QObject>
#include <QStringList>

#include <memory>

class CMainFrame;
class CRecentFiles;
class QSettings;
class UiServices;

// The application: its start-up sequence and the event filter that lets the
// splash screen see every event first.
class CVesperlineApp : public QObject {
    Q_OBJECT
public:
    // `ui` answers for the person at the screen (the real dialogs, or a
    // test's fake); it outlives the application.
    explicit CVesperlineApp(UiServices& ui);
    ~CVesperlineApp() override;

    // The start-up sequence. False ends the program with exitCode().
    bool InitInstance(const QStringList& arguments);
    int exitCode() const { return m_exitCode; }

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }
    const CommandLineOptions& options() const { return m_options; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool endEarly(); // --help, --version, a refused command line
    bool ProcessShellCommand();

    CommandLineOptions m_options;
    // What every console window uses; built here, handed down.
    portio::DeviceNamespace m_devices;
    ConsoleCommandTable m_commands;
    ConsoleEnvironment m_environment;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFiles> m_recent;
    std::unique_ptr<CMainFrame> m_mainFrame;
    int m_exitCode = 0;
};
