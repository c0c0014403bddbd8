// Side by side with the terminal programs people log a serial port with: the
// same bytes through the same kind of pseudo-terminal pair into a file by
// `cat > file` (the reference), a console window's capture, `tio --log` and
// `picocom --logfile`, each started headless under a pty of its own. Every
// file is checked against the SHA-256 of what was sent; a program that lost
// or changed bytes is reported as such and not ranked.
//
// Size: --terminal-bytes=N (default 8 MiB; --quick 1 MiB).
#include "bench/support/capturerun.h"
#include "bench/support/figure.h"
#include "race.h"
#include "terminal.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

size_t sizeOption(int argc, char** argv)
{
    const char* key = "--terminal-bytes=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], key, std::strlen(key)) == 0)
            return size_t(std::strtoull(argv[i] + std::strlen(key), nullptr, 10));
    return quickRun(argc, argv) ? size_t(1) << 20 : size_t(8) << 20;
}

std::vector<Contender> runAll(Race& race)
{
    const size_t n = race.bytes();
    const std::string& src = race.source();
    std::vector<Contender> all;
    all.push_back(race.measure("cat", [&](const std::string& p) { return TerminalRun { catSeconds(src, p, n), {} }; }));
    all.push_back(race.measure("vesperline", [&](const std::string& p) {
        return TerminalRun { captureSeconds(src, p, n), {} };
    }));
    for (const Terminal& t : terminals())
        all.push_back(race.measure(t.name, [&](const std::string& p) { return runTerminal(t, src, p, n); }));
    for (Contender& c : all)
        c.vsCat = all.front().run.seconds / c.run.seconds;
    return all;
}

void printRow(const Contender& c)
{
    if (c.same)
        std::printf("  %-12s %7.3f of cat, SHA-256 equal to what was sent\n", c.name.c_str(), c.vsCat);
    else
        std::printf("  %-12s NOT RANKED: %s\n", c.name.c_str(), c.run.failure.c_str());
}

const Contender* fastest(const std::vector<Contender>& all)
{
    const Contender* best = nullptr;
    for (size_t i = 1; i < all.size(); ++i) // cat is the reference, not a contender
        if (all[i].same && (!best || all[i].vsCat > best->vsCat)) best = &all[i];
    return best;
}

// A terminal meets its target when it is no faster than Vesperline's capture;
// nothing is met when Vesperline lost bytes. A terminal whose log differs from
// what was sent gives no figure: its speed is not comparable, and a figure of
// 0 would look like a target met.
void printFigures(const std::vector<Contender>& all)
{
    const Contender& ours = all[1];
    char target[32];
    std::snprintf(target, sizeof target, "<=%.3f", ours.vsCat);
    for (size_t i = 2; i < all.size(); ++i) {
        const Contender& t = all[i];
        if (!t.same) continue; // never ran, or its log is not what was sent: said above
        const std::string key = "terminals." + t.name + "_vs_cat";
        printFigure(key.c_str(), t.vsCat, target, ours.same && t.vsCat <= ours.vsCat);
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    Race race(sizeOption(argc, argv));
    const std::vector<Contender> all = runAll(race);
    std::printf("terminals, %zu bytes (every byte value) from a pty into a file, throughput as a share of\n"
                "`cat > file` on the same kind of pty; tio and picocom with their default character maps,\n"
                "which map nothing they receive:\n",
        race.bytes());
    for (const Contender& c : all)
        printRow(c);
    const Contender* best = fastest(all);
    std::printf("  fastest: %s\n", best ? best->name.c_str() : "none (every file differs)");
    printFigures(all);
    return all[0].same && all[1].same ? 0 : 1;
}
