// Capture throughput: bytes from a pseudo-terminal through a console window's
// receive thread into a capture file, against `cat` copying the same kind of
// pseudo-terminal into a file, measured in the same run. Both files must have
// the SHA-256 of the source.
//
// Size: --capture-bytes=N (default 64 MiB; 1 GB: --capture-bytes=1000000000).
#include "bench/support/rawpty.h"
#include "consoleui/vesperlineview.h"
#include "portio/devicenamespace.h"
#include "res/commandids.h"
#include "res/uiservices.h"
#include "shell/splitterframe.h"
#include "shell/vesperlinedoc.h"
#include "tests/console/consolewindow.h"
#include "tests/support/testdevices.h"

#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Answers the capture's file dialog with a fixed path.
class FixedFileUi final : public UiServices {
public:
    explicit FixedFileUi(QString path)
        : m_path(std::move(path))
    {
    }
    void messageBox(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    std::optional<QString> openFileName(QWidget*) override { return std::nullopt; }
    std::optional<QString> newOrExistingFileName(QWidget*) override { return m_path; }
    std::optional<QString> saveFileName(QWidget*) override { return std::nullopt; }
    int runModal(QDialog&) override { return 0; }

private:
    QString m_path;
};

size_t argBytes()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string arg;
    const std::string key = "--capture-bytes=";
    while (std::getline(in, arg, '\0'))
        if (arg.rfind(key, 0) == 0) return size_t(std::strtoull(arg.c_str() + key.size(), nullptr, 10));
    return size_t(64) << 20;
}

// Every byte value, in an order that does not repeat within a block.
void writeSource(const std::string& path, size_t n)
{
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (size_t done = 0; done < n; done += block.size()) {
        for (char& c : block) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            c = char(x);
        }
        out.write(block.data(), std::streamsize(std::min(block.size(), n - done)));
    }
}

std::string sha256(const std::string& path)
{
    const std::string command = "sha256sum '" + path + "'";
    FILE* p = ::popen(command.c_str(), "r");
    char digest[65] = {};
    if (!p || std::fscanf(p, "%64s", digest) != 1) std::abort();
    ::pclose(p);
    return digest;
}

off_t fileSize(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// Feeds the source into the pty's far end from a thread; waits (running
// `turn` meanwhile) until `target` holds n bytes. Returns the seconds taken.
template <class Turn>
double feedUntil(RawPty& pty, const std::string& source, const std::string& target, size_t n, Turn turn)
{
    const auto start = Clock::now();
    std::thread writer([&] {
        const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        char buffer[65536];
        ssize_t r;
        while ((r = ::read(fd, buffer, sizeof buffer)) > 0)
            for (ssize_t done = 0; done < r;) {
                const ssize_t w = ::write(pty.master, buffer + done, size_t(r - done));
                if (w > 0) done += w;
            }
        ::close(fd);
    });
    while (fileSize(target) < off_t(n))
        turn();
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    return s;
}

double catSeconds(const std::string& source, const std::string& target, size_t n)
{
    RawPty pty;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pty.slave, STDIN_FILENO);
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::execlp("cat", "cat", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    while (fileSize(target) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // cat has its output open
    const double s
        = feedUntil(pty, source, target, n, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return s;
}

double captureSeconds(const std::string& source, const std::string& target, size_t n)
{
    RawPty pty;
    testDevices().define("COM2", pty.path);
    FixedFileUi ui(QString::fromStdString(target));
    UiServices::install(&ui);
    double s = 0;
    {
        ConsoleParts parts;
        CSplitterFrame frame(new CVesperlineDoc, parts.environment);
        frame.resize(900, 600);
        frame.show();
        CVesperlineView& view = *frame.m_pConsoleView;
        view.m_portCtx.portName = "COM2";
        if (!view.OpenPort() || !view.runCommand(cmd::ID_START_CAPTURE)) std::abort();
        s = feedUntil(pty, source, target, n, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
        view.ClosePort();
    }
    UiServices::install(nullptr);
    testDevices().undefine("COM2");
    return s;
}

int runCaptureBench()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char name[] = "bench_console";
    char* argv[] = { name, nullptr };
    QApplication app(argc, argv);
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
    std::fflush(stdout);
    return captureSame ? 0 : 1;
}

} // namespace

int main()
{
    return runCaptureBench();
}
