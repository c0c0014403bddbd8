#pragma once

#include "verify/report.h"

#include <QString>
#include <QStringList>

#include <string>

class QWidget;
class UiServices;

namespace verifyui {

// The files "Save Report..." writes: the same as vesperline-cli's --report,
// --csv, --junit and --html.
enum class ReportFormat { Json, Csv, JUnit, Html };

// The file types the save dialog offers, in the order of ReportFormat.
QStringList reportFileTypes();
std::string reportText(const verify::RunReport& report, ReportFormat format);

// Asks for a file name and type through `ui` and writes the report; says so
// in a message box when the file cannot be written. False when nothing was
// written.
bool saveReport(UiServices& ui, QWidget* parent, const verify::RunReport& report);

} // namespace verifyui
