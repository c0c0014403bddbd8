#include "bench/support/benchwindow.h"

#include "consoleui/vesperlineview.h"
#include "shell/vesperlinedoc.h"
#include "tests/support/testdevices.h"

#include <cstdio>
#include <cstdlib>

BenchWindow::BenchWindow(const std::string& device, const QString& captureFile)
    : m_ui(captureFile)
    , m_parts(m_ui)
    , m_frame(new CVesperlineDoc, m_parts.environment)
{
    m_frame.resize(900, 600);
    m_frame.show();
    view().m_portCtx.portName = "COM2";
    if (!testDevices().define("COM2", device).ok() || !view().OpenPort()) {
        std::fprintf(stderr, "COM2 (%s) does not open\n", device.c_str());
        std::exit(1);
    }
}

BenchWindow::~BenchWindow()
{
    view().ClosePort();
    testDevices().undefine("COM2");
}
