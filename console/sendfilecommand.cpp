#include "sendfilecommand.h"

#include "commandtable.h"
#include "consoletarget.h"
#include "sendcommands.h"
#include "writepath.h"

#include "res/commandids.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t SizeLimit = uint64_t(1) << 32;

struct Fd {
    int fd;
    ~Fd()
    {
        if (fd >= 0) ::close(fd);
    }
};

// Opens for reading only (a read-only file is sent), without waiting on a
// FIFO, and with a shared lock so a file held by a capture is refused.
int openForReading(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads up to `size` bytes; the count read, or -1 on a read error. Fewer
// bytes when the file has shrunk since its size was taken.
ssize_t readUpTo(int fd, uint8_t* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t r = ::pread(fd, buffer + done, size - done, off_t(done));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        done += size_t(r);
    }
    return ssize_t(done);
}

// What the size of an open file allows; null when it may be sent.
const char* sizeProblem(const struct stat& st)
{
    if (S_ISDIR(st.st_mode)) return txt::FileCouldNotBeOpened;
    if (!S_ISREG(st.st_mode) || st.st_size == 0) return txt::FileMapCouldNotBeOpened;
    if (uint64_t(st.st_size) >= SizeLimit) return txt::FileTooLargeToSend;
    return nullptr;
}

void show(ConsoleTarget& view, const char* text)
{
    view.ui().messageBox(QString::fromLatin1(text));
}

} // namespace

bool loadFileForSending(const std::string& path, FileContent& content, const char** failure)
{
    const Fd file { openForReading(path) };
    struct stat st { };
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
        *failure = txt::FileCouldNotBeOpened;
        return false;
    }
    if ((*failure = sizeProblem(st))) return false;
    content.bytes.reset(new (std::nothrow) uint8_t[size_t(st.st_size)]);
    const ssize_t got = content.bytes ? readUpTo(file.fd, content.bytes.get(), size_t(st.st_size)) : -1;
    if (got <= 0) *failure = got == 0 ? txt::FileMapCouldNotBeOpened : txt::CouldNotMapView;
    content.size = got > 0 ? size_t(got) : 0;
    return got > 0;
}

void OnSendDataFromFile(ConsoleTarget& view)
{
    if (!requireConnection(view)) return;
    const auto path = view.ui().openFileName(view.dialogParent());
    if (!path) return;
    FileContent content;
    const char* failure = nullptr;
    const std::string name = QFile::encodeName(*path).toStdString();
    // A large file takes a while to read: keep the windows painted meanwhile.
    if (!view.runWaiting([&] { return loadFileForSending(name, content, &failure); })) {
        show(view, failure);
        return;
    }
    const std::unique_ptr<BusyNotice> notice = view.showSendingNotice();
    if (!notice) show(view, txt::CouldNotCreateModeless);
    writeAndWait(view, content.bytes.get(), content.size);
}

void registerSendFileCommand(ConsoleCommandTable& table)
{
    table.add(cmd::ID_SEND_FILE, OnSendDataFromFile);
}
