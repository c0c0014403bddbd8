// Capture throughput: bytes from a pseudo-terminal through a console window's
// receive thread into a capture file, against `cat` copying the same kind of
// pseudo-terminal into a file, measured in the same run. Both files must have
// the SHA-256 of the source.
//
// Size: --capture-bytes=N (default 64 MiB, --quick 4 MiB; 1 GB: --capture-bytes=1000000000).
#include "bench/support/capturerun.h"
#include "bench/support/figure.h"
#include "bench/support/quickoption.h"
#include "consoleui/allocator.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

size_t argBytes()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string arg;
    const std::string key = "--capture-bytes=";
    while (std::getline(in, arg, '\0'))
        if (arg.rfind(key, 0) == 0) return size_t(std::strtoull(arg.c_str() + key.size(), nullptr, 10));
    return fullOrQuick(size_t(64) << 20, size_t(4) << 20);
}

int runCaptureBench()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char name[] = "bench_console";
    char* argv[] = { name, nullptr };
    QApplication app(argc, argv);
    returnLargeBlocksToTheSystem(); // as the program does at start-up
    const size_t n = argBytes();
    QTemporaryDir dir;
    const std::string source = dir.filePath("source.bin").toStdString();
    writeSource(source, n);
    const std::string want = sha256(source);
    const std::string catFile = dir.filePath("cat.bin").toStdString();
    const double cat = catSeconds(source, catFile, n);
    const bool catSame = sha256(catFile) == want;
    ::unlink(catFile.c_str());
    const std::string captured = dir.filePath("capture.bin").toStdString();
    const double capture = captureSeconds(source, captured, n);
    const bool captureSame = sha256(captured) == want;
    std::printf("capture, %zu bytes from a pty into a file:\n", n);
    std::printf("  throughput: %.3f of cat copying the same pty into a file\n", cat / capture);
    std::printf(
        "  SHA-256 equal to the source: capture %s, cat %s\n", captureSame ? "yes" : "NO", catSame ? "yes" : "NO");
    // A capture that lost or changed bytes has no speed worth the name.
    if (captureSame && catSame) printFigure("capture.vs_cat", cat / capture, ">=0.3", cat / capture >= 0.3);
    std::fflush(stdout);
    return captureSame ? 0 : 1;
}

} // namespace

int main()
{
    return runCaptureBench();
}
