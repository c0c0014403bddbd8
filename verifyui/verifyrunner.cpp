#include "verifyrunner.h"

#include "res/version.h"

#include <QSysInfo>

namespace verifyui {

VerifyRunner::VerifyRunner(portio::DeviceNamespace& ns, VerifyPlan plan, QObject* parent)
    : QObject(parent)
    , m_ns(ns)
    , m_plan(std::move(plan))
{
}

VerifyRunner::~VerifyRunner()
{
    stop();
    wait();
}

void VerifyRunner::start()
{
    if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
}

void VerifyRunner::stop()
{
    m_stop = true;
}

void VerifyRunner::wait()
{
    if (m_thread.joinable()) m_thread.join();
}

bool VerifyRunner::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_report.has_value();
}

void VerifyRunner::run()
{
    verify::RunReport report;
    {
        // Its destructor closes the ports: before anyone hears of the end.
        verify::VerifyRun run(m_ns, m_plan.ports, m_plan.sources, m_plan.settings, &m_stop);
        run.watch(&m_watched);
        report = run.run([this](const verify::Progress& p) {
            std::lock_guard lock(m_mutex);
            m_progress = p;
        });
    }
    report.host = QSysInfo::machineHostName().toStdString();
    report.version = std::string("Vesperline ") + VESPERLINE_VERSION;
    {
        std::lock_guard lock(m_mutex);
        m_report = std::move(report);
    }
    QMetaObject::invokeMethod(this, &VerifyRunner::runFinished, Qt::QueuedConnection);
}

std::optional<verify::Progress> VerifyRunner::takeProgress()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_progress, std::nullopt);
}

std::optional<verify::RunReport> VerifyRunner::report() const
{
    std::lock_guard lock(m_mutex);
    return m_report;
}

} // namespace verifyui
