#include "boardsetup.h"

#include "portio/devicenamespace.h"
#include "vboard/boardconfig.h"
#include "vboard/boardinstall.h"

namespace {

void installBoard(portio::DeviceNamespace& devices, const std::string& value, QStringList& problems)
{
    auto config = vboard::parseBoardOption(value);
    if (!config) {
        problems << QStringLiteral("--virtual-board: %1").arg(QString::fromStdString(config.error().text));
        return;
    }
    const auto board = vboard::installVirtualBoard(devices, *config);
    if (const auto& e = board->exposeStatus())
        problems << QStringLiteral("--virtual-board: expose: %1").arg(QString::fromStdString(e.text));
}

void define(portio::DeviceNamespace& devices, const std::string& name, const std::string& target, const QString& origin,
    QStringList& problems)
{
    const auto status = devices.define(name, target);
    if (status)
        problems << QStringLiteral("%1 %2=%3: %4")
                        .arg(origin, QString::fromStdString(name), QString::fromStdString(target),
                            QString::fromStdString(status.text));
}

} // namespace

QStringList installDevices(const CommandLineOptions& options, portio::DeviceNamespace& devices)
{
    QStringList problems;
    if (options.virtualBoard) installBoard(devices, *options.virtualBoard, problems);
    // The file first: a --map of the same name overrides its line.
    for (const auto& [d, where] : options.fileMaps)
        define(
            devices, d.name, d.target, QStringLiteral("--map-file %1:").arg(QString::fromStdString(where)), problems);
    for (const auto& [name, target] : options.maps)
        define(devices, name, target, QStringLiteral("--map"), problems);
    return problems;
}
