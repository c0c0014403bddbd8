#include "torturewriter.h"

#include "threadpriority.h"

#include <array>
#include <system_error>

namespace torture {

namespace {
// Printable bytes, so that a terminal watching the far end shows text.
std::array<char, TortureWriter::BlockSize> makeBlock()
{
    std::array<char, TortureWriter::BlockSize> block {};
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(' ' + i % 95);
    return block;
}
} // namespace

TortureWriter::TortureWriter(portio::Port& port, RunShared& shared)
    : m_port(port)
    , m_shared(shared)
{
}

TortureWriter::~TortureWriter()
{
    join();
}

bool TortureWriter::start()
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void TortureWriter::join()
{
    if (m_thread.joinable()) m_thread.join();
}

void TortureWriter::run()
{
    lowerCurrentThreadPriority();
    const auto block = makeBlock();
    while (m_shared.running.load()) {
        const portio::IoResult result = m_port.write(block.data(), block.size());
        if (result.ok()) {
            const uint64_t count = m_blocks.fetch_add(1) + 1;
            m_shared.latestCount.store(count);
            m_shared.updates.fetch_add(1);
            continue;
        }
        // A time-out means a held line: try again. Anything else (Stop's
        // abort, an unplugged port) would fail at once forever, so end here
        // rather than spin.
        if (result.error.code != portio::ErrorCode::TimedOut) break;
    }
    markFinished();
}

void TortureWriter::markFinished()
{
    std::lock_guard lock(m_shared.finishMutex);
    m_finished.store(true);
    ++m_shared.finished;
    m_shared.finishChanged.notify_all();
}

} // namespace torture
