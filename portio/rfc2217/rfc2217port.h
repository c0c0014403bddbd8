#pragma once

#include "openabort.h"
#include "portio/port.h"
#include "portio/portsync.h"
#include "rfc2217target.h"
#include "tcpsocket.h"
#include "telnetoptions.h"

#include <atomic>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace portio {

// A serial port on a Telnet server with the COM-PORT-OPTION (RFC 2217), such
// as ser2net. A receiver thread decodes what the server sends: data goes to
// the input queue, answers to the requests that wait for them, modem and line
// state notifications to modemStatus() and clearCommError(). Settings are
// confirmed by the server's answers; a setting it answers differently, or
// not at all, is refused.
class Rfc2217Port final : public Port {
public:
    // Connects, negotiates, and for I/O reads the remote port's settings;
    // `abort` (may be null) ends it early.
    static Result<PortPtr> open(
        const Rfc2217Target& target, Access access, OpenPurpose purpose, OpenAbort* abort = nullptr);

    Rfc2217Port(TcpSocket socket, std::string where, Access access);
    ~Rfc2217Port() override;

    Status setCommMask(uint32_t mask) override;
    Result<uint32_t> getCommMask() override;
    Result<uint32_t> waitCommEvent() override;
    Status setupComm(uint32_t inQueue, uint32_t outQueue) override;
    Status purge(uint32_t flags) override;
    Status setTimeouts(const CommTimeouts& timeouts) override;
    Result<CommTimeouts> getTimeouts() override;
    Result<Dcb> getState() override;
    Status setState(const Dcb& dcb) override;
    Status escape(EscapeFunction function) override;
    Result<ComStat> clearCommError() override;
    Result<uint32_t> modemStatus() override;
    std::chrono::milliseconds modemStatusDelay() const override;
    IoResult read(void* buffer, size_t n) override;
    IoResult write(const void* buffer, size_t n) override;
    Status transmitChar(uint8_t byte) override;
    void close() override;

    // Ends an open under way: what waits for the server gives up, Aborted.
    void interruptStart();

private:
    using Lock = std::unique_lock<std::mutex>;
    struct Sent {
        size_t count = 0; // wire bytes that went out
        Status status;
    };
    // A request sent to the server whose answer has not come. Answers are
    // matched to these, so that a late answer never passes for another's.
    struct Request {
        uint64_t id = 0;
        uint8_t code = 0;
        std::string value;
        bool awaited = false; // someone waits for the answer; else it is only absorbed
        Clock::time_point sent;
        std::optional<std::string> answer;
    };

    // rfc2217link.cpp: the connection.
    Status start(OpenPurpose purpose, Clock::time_point deadline);
    std::string serverWords() const;
    Status negotiate(Clock::time_point deadline);
    void receiveLoop();
    bool awaitRoom();
    void deliver(telnet::Decoded& decoded);
    void onComPort(const std::string& sub);
    void setGone(PortError error);
    std::optional<PortError> failure() const;
    PortError broken(const PortError& os) const;
    Sent sendWire(std::string wire, std::optional<Clock::time_point> deadline, bool data, PortSync::Ticket ticket);
    Status waitResumed(std::optional<Clock::time_point> deadline, PortSync::Ticket ticket);
    Result<WaitOutcome> waitWritable(bool data, PortSync::Ticket ticket, std::optional<Clock::duration> limit);
    void owe(const std::string& rest);
    void flushOutbox();
    uint64_t expect(uint8_t code, const std::string& value, bool awaited);
    void matchAnswer(uint8_t code, const std::string& value);
    bool answerAwaited() const;
    Status transmit(uint8_t code, const std::string& value);
    Status sendCommand(uint8_t code, const std::string& value);
    Result<std::string> ask(uint8_t code, const std::string& value, const std::string& what);

    // rfc2217settings.cpp: line settings through the server.
    Status readSettings();
    Status confirm(uint8_t code, const std::string& value, const std::string& what, const std::string& wanted);
    Status applyFraming(const Dcb& dcb);
    Status applyFlow(const Dcb& dcb);
    void applyLines(const Dcb& dcb);
    Status control(uint8_t value, const char* what);

    PortError closedError() const;
    CommTimeouts timeouts() const;
    bool binaryOut() const;
    IoResult endWrite(const uint8_t* p, size_t n, bool binary, const Sent& sent);

    TcpSocket m_socket;
    Wake m_closeWake; // rung once, by close(): ends the receiver and blocked control sends
    const std::string m_where;
    const Access m_access;
    PortSync m_sync;
    std::thread m_receiver;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    telnet::Options m_options;
    std::deque<uint8_t> m_in;
    std::deque<Request> m_requests;
    uint64_t m_lastRequest = 0;
    std::string m_outbox; // negotiation answers the receiver could not send itself
    std::optional<PortError> m_gone;
    bool m_closing = false;
    std::optional<uint8_t> m_modem;
    bool m_suspended = false; // the server asked us to hold our data back
    uint32_t m_errors = 0;
    uint32_t m_mask = 0;
    uint64_t m_maskGen = 0;
    uint64_t m_rxAbortGen = 0;
    CommTimeouts m_timeouts;
    Dcb m_dcb;

    std::mutex m_sendMutex;
    std::string m_owed; // the rest of a unit a time-out cut in two; goes out first
    // Wire bytes not handed to send() yet (the rest of a send in progress, or
    // what is owed): the part of the outgoing queue the OS cannot count.
    std::atomic<size_t> m_unhanded { 0 };
    std::mutex m_closeMutex;
    bool m_closed = false;
};

} // namespace portio
