#pragma once

#include "portio/mapfile.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the command line asks for.
struct CommandLineOptions {
    bool showSplash = true; // off with Embedding / Automation
    std::optional<std::string> virtualBoard; // --virtual-board[=VALUE]; "" without a value
    std::vector<portio::MapFileEntry> fileMaps; // --map-file FILE, installed before the --map ones
    std::vector<std::pair<std::string, std::string>> maps; // --map NAME=TARGET, in order
    bool diagnostics = false;
    bool help = false;
    bool version = false;
    QStringList files; // documents to open instead of a new one
    QString error; // not empty: the command line was refused
};

// Parses the program's arguments (the first is the program itself). The
// framework's flags "Embedding" and "Automation" after '/' or '-', in any
// letter case, turn off the splash; its other flags ("/p", "/dde" and the
// like) are accepted and have no effect.
CommandLineOptions parseCommandLine(const QStringList& arguments);
QString commandLineHelp();
QString versionText();

// "NAME=TARGET" -> {NAME, TARGET}; nothing when either side is empty.
std::optional<std::pair<std::string, std::string>> parseMapDefinition(std::string_view text);
