// HTTP and WebSocket for the web host, plain or over TLS, behind a small interface: the one
// file that knows Boost.Beast. Every request and every upgrade passes the gate (token, Host, Origin) before
// anything else sees it. One thread runs everything, the handlers below included.
#pragma once

#include "host/web/certificate.h"
#include "host/web/security.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace web {

using ConnectionId = uint64_t;

struct HttpRequest {
    std::string method;  // "GET", "POST"
    std::string path;    // without the query
    std::string query;   // after '?', undecoded
    std::string body;
};

struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::string disposition;  // Content-Disposition, when set
};

struct NetLimits {
    size_t largestBody = 64 * 1024;        // an HTTP request body (a state file)
    size_t largestQueue = 4 * 1024 * 1024;  // bytes waiting to go to one page: past it, it is dropped
    std::chrono::seconds headerTimeout{10};
    std::chrono::seconds stalledWrite{10};  // a write that long unfinished drops the page
    // Of them, those yet to show the token (strangers) are taken freely up to a quarter; up
    // to half, a newcomer is refused with a chance that grows to certainty at half; past
    // that one is taken only from an address (IPv6: a /64) that holds no stranger, or in
    // place of the oldest stranger of its own address still in its TLS handshake.
    size_t mostConnections = 256;
    size_t mostPerPeer = 0;  // connections from one address; 0: no limit of its own
    size_t mostPerHolder = 64;  // connections of one browser's session: the rest are for other pages
    // A connection that has not shown the token is closed this long after it opened, whatever
    // it sends, the TLS handshake included.
    std::chrono::milliseconds strangerDeadline{15000};
    // After an error answer what the peer still sends is read and dropped, so that the answer
    // is not lost to a reset: for this long at most, and this many bytes.
    std::chrono::milliseconds lingerDeadline{2000};
    size_t lingerBudget = 256 * 1024;
    // A page sending more messages than this in a second is read no more until the second
    // ends; one that keeps it up for `slowedFor` is closed.
    size_t mostMessagesPerSecond = 2000;
    std::chrono::seconds slowedFor{10};
};

enum class LogLevel { Debug, Notice };

struct NetEvents {
    std::function<void(ConnectionId)> opened;
    std::function<void(ConnectionId, std::string_view)> message;
    std::function<void(ConnectionId)> closed;
    // Everything sent to the page so far has left: a good moment to send what waited.
    std::function<void(ConnectionId)> drained;
    // Requests that passed the gate and are not a page asset.
    std::function<HttpReply(const HttpRequest&)> http;
    // A page asset by path ("/" is "/index.html"), or null.
    std::function<const Asset*(std::string_view)> asset;
    // Each connection's end, once: why it was dropped, or (at Debug) that it closed as
    // connections do. What is refused or dropped before the token is shown is said once per
    // kind and address in each 10 s, the rest counted in a line at the end of them.
    std::function<void(LogLevel, const std::string&)> log;
    // SIGHUP asked for a new address: its token, which replaces the one printed before.
    std::function<void(const std::string&)> token;
};

class NetServer {
public:
    // Nothing is bound yet. With `tls`, every connection will be HTTPS (and WSS) with that
    // certificate; throws std::runtime_error when it cannot be used.
    NetServer(Gate gate, NetLimits limits, const Certificate* tls = nullptr);
    ~NetServer();
    NetServer(const NetServer&) = delete;
    NetServer& operator=(const NetServer&) = delete;

    // Binds the gate's address and takes connections from now on, each raising `events`;
    // throws std::runtime_error with the system's reason.
    void Listen(NetEvents events);
    // The port bound, once listening.
    uint16_t Port() const;
    // Runs the loop until Stop (or SIGINT/SIGTERM); SIGHUP makes a new token.
    void Run();
    // Tells every page the server is going away and ends the loop once they heard (within
    // a moment: a page that does not read is not waited for).
    void Stop();

    // Queues a text message. False when the page is gone or was dropped for a full queue.
    bool Send(ConnectionId id, std::string text);
    // True while nothing queued to the page is waiting to be written.
    bool Idle(ConnectionId id) const;
    // Runs `work` on the loop after what is ready now.
    void Post(std::function<void()> work);
    // Runs `tick` every `period` until the server stops.
    void Every(std::chrono::milliseconds period, std::function<void()> tick);

    struct State;  // of net.cpp alone

private:
    std::unique_ptr<State> state_;
};

}  // namespace web
