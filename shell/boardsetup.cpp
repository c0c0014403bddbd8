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

} // namespace

QStringList installDevices(const CommandLineOptions& options, portio::DeviceNamespace& devices)
{
    QStringList problems;
    if (options.virtualBoard) installBoard(devices, *options.virtualBoard, problems);
    for (const auto& [name, target] : options.maps) {
        const auto status = devices.define(name, target);
        if (status)
            problems << QStringLiteral("--map %1=%2: %3")
                            .arg(QString::fromStdString(name), QString::fromStdString(target),
                                QString::fromStdString(status.text));
    }
    return problems;
}
