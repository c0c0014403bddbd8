#include "vesperlineapp.h"

#include "boardsetup.h"
#include "diagnosticsmenu.h"
#include "mainframe.h"
#include "recentfiles.h"
#include "splashwnd.h"
#include "splitterframe.h"

#include "console/consolecommands.h"

#include "portio/devicenamespace.h"
#include "portsel/portdiscovery.h"

#include <QCoreApplication>
#include <QSettings>

#include <cstdio>

CVesperlineApp::CVesperlineApp(UiServices& ui)
    : m_environment { m_devices, m_commands, ui }
{
    registerConsoleCommands(m_commands);
}

CVesperlineApp::~CVesperlineApp()
{
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool CVesperlineApp::InitInstance(const QStringList& arguments)
{
    m_options = parseCommandLine(arguments);
    SetSplashEnabled(m_options.showSplash);
    if (m_options.help || m_options.version || !m_options.error.isEmpty()) return endEarly();

    m_settings = std::make_unique<QSettings>();
    m_recent = std::make_unique<CRecentFiles>(*m_settings);
    m_recent->load();

    for (const QString& problem : installDevices(m_options, m_devices))
        std::fprintf(stderr, "vesperline: %s\n", qPrintable(problem));
    DetectPorts(m_devices);

    m_mainFrame = std::make_unique<CMainFrame>(m_environment);
    m_mainFrame->setRecentFiles(m_recent.get());
    if (m_options.diagnostics) addDiagnosticsMenu(*m_mainFrame);
    if (m_mainFrame->OnCreate() != 0) return false;
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
    if (!ProcessShellCommand()) return false;
    m_mainFrame->show();
    return true;
}

bool CVesperlineApp::endEarly()
{
    if (!m_options.error.isEmpty()) {
        std::fprintf(stderr, "vesperline: %s\n%s", qPrintable(m_options.error), qPrintable(commandLineHelp()));
        m_exitCode = 2;
    } else {
        std::printf("%s\n", qPrintable(m_options.help ? commandLineHelp() : versionText()));
        m_exitCode = 0;
    }
    return false;
}

bool CVesperlineApp::ProcessShellCommand()
{
    if (m_options.files.isEmpty()) return m_mainFrame->OnFileNew() != nullptr;
    for (const QString& file : m_options.files)
        if (!m_mainFrame->openDocument(file)) return false;
    return true;
}

bool CVesperlineApp::eventFilter(QObject* watched, QEvent* event)
{
    SplashFilterMessage(watched, event);
    return false;
}
