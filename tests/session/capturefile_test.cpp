// The capture file gathers chunks before writing them: whatever way the
// capture goes on or ends, the file holds exactly the bytes written, in order,
// and a write that fails only when the gathered bytes go out is still
// reported, once.
#include "session/capturefile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A folder of its own, removed with everything in it.
struct TempDir {
    TempDir()
    {
        char name[] = "/tmp/capturefile_test.XXXXXX";
        path = ::mkdtemp(name) ? name : "";
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string filePath(const char* name) const { return path + "/" + name; }
    std::string path;
};

std::string content(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    return got.str();
}

// Chunks of every byte value, `chunks` of `size` bytes each.
std::string pattern(size_t chunks, size_t size)
{
    std::string s;
    for (size_t i = 0; i < chunks * size; ++i)
        s += char((i * 7 + i / 251) & 0xFF);
    return s;
}

struct Case {
    const char* name;
    size_t chunks, size;
    bool flushBeforeLook; // the line went quiet: the file is up to date without a close
};

TEST(CaptureFileGathers, TheFileHoldsEveryByteInOrderHoweverTheCaptureEnds)
{
    const Case cases[] = {
        { "a few receive chunks, closed", 3, 80, false },
        { "a few receive chunks, line quiet", 3, 80, true },
        { "many chunks overflowing the buffer", 2000, 80, false },
        { "chunks larger than the buffer", 3, CaptureFile::BufferSize + 1, true },
        { "one byte", 1, 1, true },
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.filePath("capture.bin");
        const std::string bytes = pattern(c.chunks, c.size);
        CaptureFile file;
        ASSERT_TRUE(file.open(path));
        for (size_t i = 0; i < c.chunks; ++i)
            ASSERT_TRUE(file.write(bytes.data() + i * c.size, c.size));
        if (c.flushBeforeLook) {
            ASSERT_TRUE(file.flush());
            EXPECT_EQ(content(path), bytes);
        }
        file.close();
        EXPECT_EQ(content(path), bytes);
    }
}

// A file size limit makes the gathered bytes fail only when they go out.
struct SizeLimit {
    explicit SizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    rlimit m_saved {};
    void (*m_oldHandler)(int) = nullptr;
};

TEST(CaptureFileGathers, AFailureOfTheGatheredBytesIsReportedOnceOnFlushAndOnClose)
{
    for (const bool byClose : { false, true }) {
        SCOPED_TRACE(byClose ? "close" : "flush");
        TempDir dir;
        CaptureFile file;
        int reports = 0;
        std::string error;
        ASSERT_TRUE(file.open(dir.filePath("c.bin"), nullptr, [&](uint64_t, const std::string& text) {
            ++reports;
            error = text;
        }));
        SizeLimit limit(0);
        EXPECT_TRUE(file.write("gathered", 8)); // nothing has gone out yet
        if (byClose)
            file.close();
        else
            EXPECT_FALSE(file.flush());
        EXPECT_EQ(reports, 1);
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(error, file.lastError());
        EXPECT_FALSE(error.empty());
        file.close();
        EXPECT_EQ(reports, 1);
    }
}

} // namespace
