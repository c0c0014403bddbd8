#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An RFC 2217 server on 127.0.0.1 that misbehaves in a known way: it answers
// the client's COM-PORT requests as `answer` says (an empty answer is none),
// can hold answers back and send them late, out of order, flood data the
// client does not read, and report modem lines the way servers that poll
// them do. Everything it sends goes through one queue, so a flood holds the
// answers behind it as a real server's socket does.
class ScriptedServer {
public:
    using Answer = std::function<std::string(uint8_t code, const std::string& value)>;
    using Filter = std::function<bool(uint8_t code, const std::string& value)>;
    // Stall: offers the option and answers, but stops reading once data comes.
    enum class Start { OfferComPort, RefuseComPort, HangUp, Stall };
    // Where held-back answers go: behind the next answer in the same piece,
    // or ahead of it in a piece of their own.
    enum class Late { AfterNext, BeforeNext };

    static std::string echo(uint8_t code, const std::string& value);
    // The server's side of a COM-PORT command or notice (code + 100).
    static std::string notice(uint8_t code, const std::string& value);

    // `notices` go out once, ahead of the first answers.
    ScriptedServer(Start start, Answer answer, std::string notices = {});
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string target() const { return "rfc2217://127.0.0.1:" + std::to_string(m_port); }
    // Data sent in the same piece as the answer to a purge, before and after it.
    ScriptedServer& aroundPurge(std::string before, std::string after);
    // Answers that `held` picks wait for the answer to a request it does not pick.
    ScriptedServer& holdBack(Filter held, Late where);
    // A server that looks at the modem lines every `period` and sends a
    // notice when they changed. Behind it a loopback plug (RTS drives CTS,
    // DTR drives DSR and DCD) when `wired`, else nothing (all stay low). The
    // first notice goes out with the modem mask's answer.
    ScriptedServer& pollModemLines(std::chrono::milliseconds period, bool wired = true);

    // Sends `bytes` (wire form) as soon as the queue ahead of them has gone.
    void push(const std::string& bytes);
    // Queues `size` data bytes of a counting pattern (byte i is i % 251, so no IAC).
    void flood(size_t size);
    // Data bytes the client sent, decoded.
    std::string received() const;
    // Bytes still queued to go to the client.
    size_t queued() const;

private:
    bool readable(int fd);
    void reply(int c, const std::string& data, const std::vector<std::string>& subs);
    void control(uint8_t value);
    void serve();
    void session(int c);
    void sendSome(int c);
    void pollLines();

    Start m_start;
    Answer m_answer;
    std::string m_notices;
    std::string m_beforePurge, m_afterPurge; // set before the client connects
    Filter m_held;
    Late m_late = Late::AfterNext;
    std::string m_heldAnswers;
    std::chrono::milliseconds m_modemPeriod { 0 };
    bool m_wired = true;
    bool m_rts = false, m_dtr = false;
    int m_notified = -1; // the modem state last sent
    std::chrono::steady_clock::time_point m_nextPoll;
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop { false };
    mutable std::mutex m_mutex; // the queue and what came in
    std::string m_out;
    size_t m_flood = 0, m_flooded = 0;
    std::string m_received;
    std::thread m_thread;
};
