#include "reconnectwatch.h"

#include "linestatus/devicewatch.h"

using linestatus::DeviceWatch;

ReconnectWatch::ReconnectWatch(
    const std::string& devicePath, Post post, Handler handler, std::chrono::milliseconds interval)
    : m_handler(std::make_shared<const Handler>(std::move(handler)))
{
    std::weak_ptr<const Handler> target = m_handler;
    auto listener = [post = std::move(post), target](DeviceWatch::Event event) {
        post([target, back = event == DeviceWatch::Event::Back] {
            if (auto handler = target.lock()) (*handler)(back);
        });
    };
    m_watch = std::make_unique<DeviceWatch>(devicePath, std::move(listener), interval);
}

ReconnectWatch::~ReconnectWatch()
{
    m_watch.reset(); // joins the thread that posts
    m_handler.reset(); // calls still queued find nothing to call
}

void ReconnectWatch::noteError(const portio::PortError& error)
{
    m_watch->noteError(error);
}

bool ReconnectWatch::present() const
{
    return m_watch->present();
}

void ReconnectWatch::retryLater(std::chrono::milliseconds after)
{
    m_watch->retryBack(after);
}
