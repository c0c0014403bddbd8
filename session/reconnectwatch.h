#pragma once

#include "portio/porterror.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace linestatus {
class DeviceWatch;
}

// The device watch of a connected session. The watch runs on a thread of its
// own, but the session may only change its port on the thread that owns it:
// so what the watch sees (gone, back) is handed over through `post`, which
// runs a call later on that thread. A call posted before the watch was
// destroyed does nothing when it runs afterwards; posted calls must run on
// the thread that destroys the watch.
class ReconnectWatch {
public:
    using Post = std::function<void(std::function<void()> call)>;
    // Called on the owner thread: false when the device went, true when the
    // same device is back.
    using Handler = std::function<void(bool back)>;

    ReconnectWatch(const std::string& devicePath, Post post, Handler handler,
        std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    // Stops the watch; its thread is joined when this returns.
    ~ReconnectWatch();
    ReconnectWatch(const ReconnectWatch&) = delete;
    ReconnectWatch& operator=(const ReconnectWatch&) = delete;

    // A failed read or write of the port, from any thread.
    void noteError(const portio::PortError& error);
    // Whether the device is there now, as far as the watch knows.
    bool present() const;
    // The device is back but could not be opened: the handler is called with
    // true again after `after`, while the device stays.
    void retryLater(std::chrono::milliseconds after);

private:
    std::shared_ptr<const Handler> m_handler; // posted calls hold it weakly
    std::unique_ptr<linestatus::DeviceWatch> m_watch;
};
