#include "reportsaver.h"

#include "res/uiservices.h"
#include "verify/htmlreport.h"
#include "verify/jsonreport.h"
#include "verify/textreports.h"

#include <QFile>
#include <QFileInfo>

namespace verifyui {

namespace {

const char* const kSuffixes[] = { "json", "csv", "xml", "html" };

QString withSuffix(const QString& name, int type)
{
    if (!QFileInfo(name).suffix().isEmpty()) return name;
    return name + QLatin1Char('.') + QString::fromLatin1(kSuffixes[type]);
}

QString writeFile(const QString& name, const std::string& text)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return file.errorString();
    if (file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.flush()) return file.errorString();
    return {};
}

} // namespace

QStringList reportFileTypes()
{
    return { QStringLiteral("JSON report (*.json)"), QStringLiteral("CSV table (*.csv)"),
        QStringLiteral("JUnit XML (*.xml)"), QStringLiteral("HTML page (*.html)") };
}

std::string reportText(const verify::RunReport& report, ReportFormat format)
{
    switch (format) {
    case ReportFormat::Csv:
        return verify::csvTable(report);
    case ReportFormat::JUnit:
        return verify::junitXml(report);
    case ReportFormat::Html:
        // From the JSON as written, as vesperline-cli makes it.
        return verify::htmlReport(nlohmann::json::parse(verify::jsonText(report)));
    default:
        return verify::jsonText(report);
    }
}

bool saveReport(UiServices& ui, QWidget* parent, const verify::RunReport& report)
{
    const auto chosen = ui.saveFileNameOfType(parent, reportFileTypes());
    if (!chosen || chosen->name.isEmpty()) return false;
    const int type = std::clamp(chosen->type, 0, int(ReportFormat::Html));
    const QString name = withSuffix(chosen->name, type);
    const QString error = writeFile(name, reportText(report, ReportFormat(type)));
    if (error.isEmpty()) return true;
    ui.messageBox(QStringLiteral("The report could not be written to %1: %2").arg(name, error));
    return false;
}

} // namespace verifyui
