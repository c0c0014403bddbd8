#include "commandline.h"

#include "res/texts.h"

#include "portio/nametarget.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString VirtualBoard = QStringLiteral("--virtual-board");

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Serial port test console."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({ QStringLiteral("virtual-board"),
        QStringLiteral("Install the virtual multiport board (optional value: its wiring and size)."),
        QStringLiteral("[=VALUE]") });
    parser.addOption({ QStringLiteral("map"), QStringLiteral("Define a device name, e.g. COM3=/dev/ttyUSB0."),
        QStringLiteral("NAME=TARGET") });
    parser.addOption({ QStringLiteral("map-file"),
        QStringLiteral("Read device names from FILE: NAME=TARGET a line; --map overrides them."),
        QStringLiteral("FILE") });
    parser.addOption({ QStringLiteral("diagnostics"),
        QStringLiteral("Add the Diagnostics menu: the board driver commands by their IDs.") });
    parser.addPositionalArgument(
        QStringLiteral("files"), QStringLiteral("Documents to open."), QStringLiteral("[files...]"));
}

// The framework's own flags: taken out before the parser sees them.
bool takeFrameworkFlag(const QString& arg, CommandLineOptions& options)
{
    static const QRegularExpression flag(QStringLiteral("^[/-](embedding|automation|p|pt|dde|register|regserver|"
                                                        "unregister|unregserver)$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = flag.match(arg);
    if (match.hasMatch()) {
        const QString name = match.captured(1).toLower();
        if (name == QLatin1String("embedding") || name == QLatin1String("automation")) options.showSplash = false;
        return true;
    }
    // Any other "/word" that is not a file is a flag of that framework too.
    static const QRegularExpression slashWord(QStringLiteral("^/[A-Za-z]+$"));
    return slashWord.match(arg).hasMatch() && !QFileInfo::exists(arg);
}

// --virtual-board takes an optional value, which the parser cannot express.
bool takeVirtualBoard(const QString& arg, CommandLineOptions& options)
{
    if (arg == VirtualBoard) {
        options.virtualBoard = std::string();
        return true;
    }
    if (arg.startsWith(VirtualBoard + QLatin1Char('='))) {
        options.virtualBoard = arg.mid(VirtualBoard.size() + 1).toStdString();
        return true;
    }
    return false;
}

void readMapFile(const QCommandLineParser& parser, CommandLineOptions& options)
{
    if (!parser.isSet(QStringLiteral("map-file"))) return;
    auto entries = portio::readMapFile(parser.value(QStringLiteral("map-file")).toStdString());
    if (!entries) {
        options.error = QStringLiteral("--map-file %1").arg(QString::fromStdString(entries.error().text));
        return;
    }
    options.fileMaps = std::move(*entries);
}

void readMaps(const QCommandLineParser& parser, CommandLineOptions& options)
{
    readMapFile(parser, options);
    if (!options.error.isEmpty()) return;
    for (const QString& value : parser.values(QStringLiteral("map"))) {
        auto def = parseMapDefinition(value.toStdString());
        if (!def) {
            options.error = QStringLiteral("--map needs NAME=TARGET, not \"%1\"").arg(value);
            return;
        }
        options.maps.push_back(*def);
    }
}

} // namespace

CommandLineOptions parseCommandLine(const QStringList& arguments)
{
    CommandLineOptions options;
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (i == 0 || (!takeFrameworkFlag(arg, options) && !takeVirtualBoard(arg, options))) rest << arg;
    }
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(rest)) {
        options.error = parser.errorText();
        return options;
    }
    options.help = parser.isSet(QStringLiteral("help"));
    options.version = parser.isSet(QStringLiteral("version"));
    options.diagnostics = parser.isSet(QStringLiteral("diagnostics"));
    options.files = parser.positionalArguments();
    readMaps(parser, options);
    return options;
}

QString commandLineHelp()
{
    QCommandLineParser parser;
    addOptions(parser);
    return parser.helpText();
}

QString versionText()
{
    return QString::fromLatin1(txt::VersionLine);
}

std::optional<std::pair<std::string, std::string>> parseMapDefinition(std::string_view text)
{
    auto parsed = portio::parseNameTarget(text);
    if (!parsed) return std::nullopt;
    return std::make_pair(std::move(parsed->name), std::move(parsed->target));
}
