// A ser2net on 127.0.0.1 with a pseudo-terminal behind it whose master this
// program serves as an echo, for scripts/test-windows to point the Windows
// vesperline-cli.exe at (Wine's programs reach the host's loopback).
//   ser2net-echo PORT_FILE [--drop-every N] [--kill-after BYTES]
// Writes the server's TCP port to PORT_FILE once it accepts connections and
// echoes until SIGTERM or SIGINT. --drop-every N leaves out every N-th byte of
// the echo; --kill-after BYTES kills the server (SIGKILL, as a crash would)
// once the port has sent that many bytes, so the run is surely under way.
#include "tests/support/echopeer.h"
#include "tests/support/ser2netserver.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fstream>
#include <optional>
#include <string>

namespace {

struct Options {
    std::string portFile;
    size_t dropEvery = 0;
    size_t killAfter = 0;
};

std::optional<Options> parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--drop-every" || a == "--kill-after") && i + 1 < argc)
            (a == "--drop-every" ? o.dropEvery : o.killAfter) = std::strtoull(argv[++i], nullptr, 10);
        else if (o.portFile.empty() && a.rfind("--", 0) != 0)
            o.portFile = a;
        else
            return std::nullopt;
    }
    if (o.portFile.empty()) return std::nullopt;
    return o;
}

void writePort(const std::string& file, uint16_t port)
{
    // Whole or not at all: the script reads it as soon as it appears.
    const std::string partial = file + ".tmp";
    std::ofstream(partial) << port << "\n";
    std::rename(partial.c_str(), file.c_str());
}

volatile std::sig_atomic_t g_stop = 0;

void onStop(int)
{
    g_stop = 1;
}

int serve(const Options& o)
{
    PtyPair pty;
    EchoPeer echo(pty, o.dropEvery);
    Ser2netServer server(pty.slavePath());
    writePort(o.portFile, server.port());
    bool killed = false;
    const timespec tick { 0, 10'000'000 };
    while (!g_stop) {
        if (o.killAfter && !killed && echo.taken() >= o.killAfter) {
            server.kill();
            killed = true;
        }
        ::nanosleep(&tick, nullptr);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: ser2net-echo PORT_FILE [--drop-every N] [--kill-after BYTES]\n");
        return 2;
    }
    if (Ser2netServer::program().empty()) {
        std::fprintf(stderr, "ser2net-echo: ser2net is not installed\n");
        return 1;
    }
    // A handler, not a blocked mask: ser2net inherits the mask, and would
    // then not end on the SIGTERM that stops it.
    std::signal(SIGTERM, onStop);
    std::signal(SIGINT, onStop);
    try {
        return serve(*options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ser2net-echo: %s\n", e.what());
        return 1;
    }
}
