#pragma once

#include "capturefile.h"
#include "portcontext.h"
#include "receivethread.h"

#include "portio/commtypes.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace portio {
class DeviceNamespace;
}
class ReconnectWatch;

// What happened to the device of a connected session's port.
enum class DeviceChange {
    Disconnected, // the device went away: the port is closed, the settings kept
    Reconnected, // the same device came back and is open again
    Retrying, // the device is back but could not be opened: tried again until it opens
};

// One console connection without any window: the chosen port and its line
// settings (m_portCtx), the open port, the receive thread, the capture and the
// writes. What it has to say goes out through the callbacks of Events.
class ConsoleSession {
public:
    struct Events {
        // The receive thread's bytes (and the line saying why it stopped).
        // Called on the receive thread: it must never wait for another thread
        // that may be in ClosePort.
        ReceiveSink received;
        // A failure the user must see; on the calling thread.
        std::function<void(const std::string& text)> message;
        // The capture indicator's text; on the calling thread.
        std::function<void(const std::string& text)> captureIndicator;
        // The port's device went or came back, with the line that says so
        // ("COM3 (/dev/ttyUSB0) disconnected"); on the owner thread.
        std::function<void(DeviceChange change, const std::string& text)> deviceChanged;
        // Runs `call` soon on the thread that owns the session (the one that
        // opens and closes it). Called from the device watch's thread; without
        // it the session does not watch its device and does not reconnect.
        std::function<void(std::function<void()> call)> post;
        // The port is open and set, just before the receive thread starts;
        // on the opening thread.
        std::function<void()> connected;
        // The port is about to be closed, before anything touches it; on the
        // closing thread.
        std::function<void()> closing;
        // What one write moved onto the line; on the writing thread.
        std::function<void(size_t bytes)> sent;
        // What one read took off the line (not the lines the session adds
        // to what it hands `received`); on the reading thread.
        ReadCount read;
    };

    explicit ConsoleSession(portio::DeviceNamespace& devices, Events events = {});
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    PortContext m_portCtx;

    void setEvents(Events events) { m_events = std::move(events); }
    portio::DeviceNamespace& devices() const { return m_devices; }

    // Sets the port context's defaults. Returns 1.
    int InitPortContext();
    // Opens the port named by m_portCtx.portName, configures it, starts the
    // receive thread and raises DTR. Nonzero on success; a port that cannot be
    // opened is reported with a message, refused settings silently.
    int OpenPort();
    // Writes ctx's line settings into its port; nonzero on success, 0 for null.
    int ApplyLineSettings(PortContext* ctx);
    // Stops the receive thread (joined: it never touches the port after
    // this), drops DTR, closes the port and stops a capture; also while the
    // session waits for its device to come back. Returns 1.
    int ClosePort();

    // Whether the session opens its port again when the device that went
    // comes back (on by default). Off, a port whose device went stays closed.
    // Turned on while the device is already back, it reconnects at once.
    void setReconnect(bool on);
    bool reconnect() const { return m_reconnect; }
    // True from the device going until it is open again or ClosePort: still
    // connected (isConnected set, settings and capture kept) but without a
    // port or a receive thread.
    bool waitingForDevice() const { return m_waiting; }

    // Starts copying received bytes into `path` (created or emptied). False,
    // with the OS's text in `error`, when the file cannot be opened.
    bool StartCapture(
        const std::string& path, std::string* error = nullptr, CaptureFile::FailureHandler onFailure = {});
    // Ends a capture: clears captureOn, closes the file, and always reports
    // "CAPTURE NOT ACTIVE" to the indicator.
    void StopCapture();

    // One write of the whole buffer on the connected port, waiting for its
    // end (at most the port's write time-out). A failure clears the port's
    // error state. Not connected: nothing written, invalid argument.
    portio::IoResult write(const void* buffer, size_t n);
    // Bytes that went out on the port by other means (a transmitted character).
    void noteSent(size_t n)
    {
        if (m_events.sent) m_events.sent(n);
    }

    // True while the receive thread has not left its loop.
    bool receiveThreadRunning() const { return m_readerRunning; }

private:
    int openConfigured();
    bool startReceiveThread();
    void releasePort();

    // Reconnecting (reconnect.cpp).
    void watchDevice();
    void deviceEvent(bool back);
    void readerEnded();
    void dropPort();
    void reopenPort();
    void retryReopen();
    void drainInput();
    void tellDevice(DeviceChange change);

    portio::DeviceNamespace& m_devices;
    Events m_events;
    std::atomic<bool> m_readerRunning { false };
    bool m_reconnect = true;
    bool m_waiting = false;
    std::chrono::milliseconds m_retryDelay { 0 }; // 0: no reopen has failed since the device came back
    std::string m_devicePath; // what the watch watches
    // While connected; the receive thread reads it after its loop, so it is
    // made before that thread starts and destroyed only after it is joined.
    std::unique_ptr<ReconnectWatch> m_watch;
};

// One write of the whole buffer, waiting for its end; a failure clears the
// port's error state.
portio::IoResult writeWhole(portio::Port& port, const void* buffer, size_t n);

// The line settings that ApplyLineSettings writes: `current` with the
// context's baud rate, framing and flow control.
portio::Dcb lineSettingsDcb(portio::Dcb current, const PortContext& ctx);
