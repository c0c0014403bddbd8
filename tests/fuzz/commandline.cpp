// The program's command line: arguments are the input split at zero bytes
// (which a real argument cannot hold), after the program's own name.
#include "shell/commandline.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>

#include <cstdint>
#include <string>

namespace {

QStringList splitArguments(const uint8_t* data, size_t size)
{
    QStringList arguments { QStringLiteral("vesperline") };
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& part : input.split('\0'))
        arguments << QString::fromLocal8Bit(part);
    return arguments;
}

// What any accepted definition must look like: a name and a target, split at
// the first '=', which joined again give the text back.
void checkMaps(const CommandLineOptions& options)
{
    for (const auto& [name, target] : options.maps) {
        if (name.empty() || target.empty() || name.find('=') != std::string::npos) __builtin_trap();
        const auto again = parseMapDefinition(name + "=" + target);
        if (!again || again->first != name || again->second != target) __builtin_trap();
    }
}

void checkOptions(const QStringList& arguments, const CommandLineOptions& options)
{
    if (!options.error.isEmpty()) return;
    checkMaps(options);
    // Every document and every definition came from an argument of its own.
    if (options.files.size() + qsizetype(options.maps.size()) > arguments.size() - 1) __builtin_trap();
    for (const QString& file : options.files)
        if (!arguments.contains(file)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList arguments = splitArguments(data, size);
    checkOptions(arguments, parseCommandLine(arguments));
    // Each argument on its own as a --map value.
    for (const QString& argument : arguments) {
        const std::string text = argument.toStdString();
        if (const auto def = parseMapDefinition(text); def && def->first + "=" + def->second != text) __builtin_trap();
    }
    return 0;
}
