#include "linestatus/devicewatch.h"

#include "portio/posix/posixport.h"

#include "tests/support/ptypair.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

using namespace linestatus;
namespace fs = std::filesystem;

namespace {

struct Events {
    std::mutex mutex;
    std::vector<DeviceWatch::Event> seen;
    DeviceWatch::Listener listener()
    {
        return [this](DeviceWatch::Event e) {
            std::lock_guard lock(mutex);
            seen.push_back(e);
        };
    }
    std::vector<DeviceWatch::Event> get()
    {
        std::lock_guard lock(mutex);
        return seen;
    }
};

// A link that a test points at one pseudo-terminal after another, as a
// replugged adapter's node comes back.
struct Link {
    fs::path dir = fs::temp_directory_path() / ("vl-watch-" + std::to_string(::getpid()));
    fs::path path = dir / "ttyLINK";
    Link() { fs::create_directories(dir); }
    ~Link() { fs::remove_all(dir); }
    void pointTo(const std::string& target)
    {
        const fs::path next = dir / "next";
        fs::create_symlink(target, next);
        fs::rename(next, path); // in one step: the node is never missing
    }
};

} // namespace

// The device goes (its link removed, or a read that fails because the far
// end hung up) and the link comes back to another pseudo-terminal: Gone,
// then Back, each once.
TEST(DeviceWatch, SaysWhenTheDeviceGoesAndWhenItIsBack)
{
    using E = DeviceWatch::Event;
    enum class Loss { LinkRemoved, ReadFails, LinkReplaced };
    for (Loss loss : { Loss::LinkRemoved, Loss::ReadFails, Loss::LinkReplaced }) {
        Link link;
        auto first = std::make_unique<PtyPair>();
        PtyPair second;
        link.pointTo(first->slavePath());
        Events events;
        DeviceWatch watch(link.path.string(), events.listener(), std::chrono::milliseconds(10));
        auto port = portio::openPosixPort(link.path.string(), portio::Access::ReadWrite, portio::OpenPurpose::Io);
        ASSERT_TRUE(port.ok()) << port.error().text;
        EXPECT_TRUE(watch.present());
        if (loss == Loss::LinkRemoved) {
            fs::remove(link.path);
            ASSERT_TRUE(waitFor([&] { return events.get() == std::vector { E::Gone }; })) << int(loss);
            EXPECT_FALSE(watch.present());
        } else if (loss == Loss::ReadFails) {
            first->closeSlave();
            first->closeMaster();
            char byte;
            const auto r = (*port)->read(&byte, 1);
            ASSERT_EQ(r.error.code, portio::ErrorCode::DeviceGone) << r.error.text;
            watch.noteError(r.error);
            ASSERT_TRUE(waitFor([&] { return events.get() == std::vector { E::Gone }; })) << int(loss);
        }
        (*port)->close();
        link.pointTo(second.slavePath());
        EXPECT_TRUE(waitFor([&] { return events.get() == std::vector { E::Gone, E::Back }; })) << int(loss);
        EXPECT_TRUE(watch.present());
        watch.stop();
        EXPECT_EQ(events.get().size(), 2u);
    }
}

// Only "device gone" is a loss, also while the node stays; a watch on what
// has no node says nothing.
TEST(DeviceWatch, ADeviceGoneErrorIsALossOtherErrorsAreNot)
{
    PtyPair pty;
    Events events;
    DeviceWatch watch(pty.slavePath(), events.listener(), std::chrono::milliseconds(10));
    for (auto code : { portio::ErrorCode::TimedOut, portio::ErrorCode::Aborted, portio::ErrorCode::OsFailure })
        watch.noteError(portio::makeError(code, "x"));
    EXPECT_TRUE(watch.present());
    {
        DeviceWatch board("vboard:0", events.listener(), std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(events.get().empty());
    watch.noteError(portio::makeError(portio::ErrorCode::DeviceGone, "x"));
    EXPECT_FALSE(watch.present());
    EXPECT_TRUE(waitFor([&] { return events.get() == std::vector { DeviceWatch::Event::Gone }; }));
}
