// The web host's server on loopback with small limits: one peer's share of connections, a
// page dropped for a full queue, logged with why and closed only after the Send returned,
// peers without the token bounded in time, bytes and slots, and pages told when it stops.
#include "host/web/net.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A blocking TCP client of the server, closed with the test.
struct Client {
    explicit Client(uint16_t port) : fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    }
    ~Client() { ::close(fd); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void Write(const std::string& text) const { ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
    // True when the server closed it within `ms` without a byte.
    bool ClosedWithin(int ms) const {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms) != 1) return false;
        char byte;
        return ::read(fd, &byte, 1) == 0;
    }
    // Everything the server sends until it closes, within `ms`.
    std::string Answer(int ms) const {
        std::string text;
        char chunk[4096];
        for (pollfd p{fd, POLLIN, 0}; ::poll(&p, 1, ms) == 1;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got <= 0) break;
            text.append(chunk, static_cast<size_t>(got));
        }
        return text;
    }
    // Sends `text` a byte every 20 ms, then its last byte again and again: true when the
    // server closed the connection (a send fails once it has) within `ms`.
    bool Trickle(const std::string& text, int ms) const {
        for (int i = 0; i * 20 < ms; ++i) {
            if (::send(fd, &text[std::min(static_cast<size_t>(i), text.size() - 1)], 1, MSG_NOSIGNAL) != 1) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Sends up to `most` bytes as fast as the server takes them: true when it closed first.
    bool Flood(size_t most) const {
        const std::string chunk(16 * 1024, 'x');
        for (size_t sent = 0; sent < most;) {
            const ssize_t n = ::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN) return true;
            if (n < 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            sent += n < 0 ? 1024 : static_cast<size_t>(n);  // bounded even when it stops reading
        }
        return false;
    }

    int fd;
    bool connected = false;
};

struct Server {
    explicit Server(web::NetLimits limits) {
        events.opened = [this](web::ConnectionId id) {
            // Two messages, the second past the queue's limit while the first is being written.
            const bool first = net->Send(id, std::string(600, 'a')), second = net->Send(id, std::string(600, 'b'));
            std::lock_guard lock(mutex);
            sendsTaken = {first, second};
            closedDuringSend = closed;
        };
        events.message = [](web::ConnectionId, std::string_view) {};
        events.closed = [this](web::ConnectionId) { closed = true; };
        events.drained = [](web::ConnectionId) {};
        events.http = [](const web::HttpRequest&) { return web::HttpReply{}; };
        events.asset = [](std::string_view) { return nullptr; };
        events.log = [this](web::LogLevel, const std::string& line) {
            std::lock_guard lock(mutex);
            log += line + "\n";
        };
        net = std::make_unique<web::NetServer>(web::Gate{{"127.0.0.1", 0}, std::string(64, 'b'), false, {std::string(64, 'a')}}, limits);
        net->Listen(events);
        thread = std::thread([this] { net->Run(); });
    }
    ~Server() {
        net->Stop();
        thread.join();
    }

    web::NetEvents events;
    std::unique_ptr<web::NetServer> net;
    std::thread thread;
    std::mutex mutex;
    std::vector<bool> sendsTaken;
    std::string log;
    std::atomic<bool> closed{false};
    bool closedDuringSend = true;
};

TEST(WebNet, OnePeerHoldsItsShareOfConnections) {
    Server server(web::NetLimits{.mostPerPeer = 2});
    const uint16_t port = server.net->Port();
    auto a = std::make_unique<Client>(port);
    const Client b(port), c(port);
    ASSERT_TRUE(a->connected && b.connected && c.connected);
    EXPECT_TRUE(c.ClosedWithin(2000));
    EXPECT_FALSE(a->ClosedWithin(100));
    a.reset();  // its place is given back once the server sees it go
    bool admitted = false;
    for (int i = 0; i < 20 && !admitted; ++i) {
        const Client d(port);
        admitted = d.connected && !d.ClosedWithin(200);
    }
    EXPECT_TRUE(admitted);
}

// The upgrade a page with a session's cookie sends.
std::string Upgrade(uint16_t port) {
    const std::string host = "127.0.0.1:" + std::to_string(port);
    return "GET /ws HTTP/1.1\r\nHost: " + host + "\r\nOrigin: http://" + host + "\r\nCookie: qm7140_" + std::to_string(port) +
           "=" + std::string(64, 'a') +
           "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
           "Sec-WebSocket-Version: 13\r\n\r\n";
}

TEST(WebNet, APageDroppedForItsQueueIsLoggedAndClosedAfterTheSend) {
    Server server(web::NetLimits{.largestQueue = 1000});
    const uint16_t port = server.net->Port();
    const Client page(port);
    page.Write(Upgrade(port));
    for (int i = 0; i < 200 && !server.closed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(server.closed);
    std::lock_guard lock(server.mutex);
    EXPECT_EQ(server.sendsTaken, (std::vector<bool>{true, false}));
    EXPECT_FALSE(server.closedDuringSend);
    EXPECT_NE(server.log.find("page 1 from 127.0.0.1 dropped: it read too slowly"), std::string::npos) << server.log;
}

TEST(WebNet, APeerWithoutTheTokenIsClosedAtItsDeadlineWhateverItSends) {
    const std::string slowHeader = "GET / HTTP/1.1\r\nX: ";
    const std::string tooLarge = "POST /state HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100000\r\n\r\n";
    {
        Server server(web::NetLimits{.strangerDeadline = std::chrono::milliseconds(300)});
        const Client slow(server.net->Port());
        EXPECT_TRUE(slow.Trickle(slowHeader, 5000)) << "a header trickled past the deadline";
    }
    // After the 413 the rest of the body is read and dropped, within a deadline and a budget
    // of its own, however slowly or fast it comes.
    {
        Server server(web::NetLimits{.largestBody = 16, .lingerDeadline = std::chrono::milliseconds(300)});
        const Client trickling(server.net->Port());
        EXPECT_TRUE(trickling.Trickle(tooLarge, 5000)) << "a lingering close restarted its timer at every byte";
    }
    Server server(web::NetLimits{.largestBody = 16, .lingerDeadline = std::chrono::seconds(60), .lingerBudget = 64 * 1024});
    const Client flooding(server.net->Port());
    flooding.Write(tooLarge);
    EXPECT_TRUE(flooding.Answer(2000).starts_with("HTTP/1.1 413 "));
    EXPECT_TRUE(flooding.Flood(4 * 1024 * 1024)) << "past its byte budget";
}

TEST(WebNet, PeersWithoutTheTokenHoldAtMostHalfTheConnections) {
    Server server(web::NetLimits{.mostConnections = 4});
    const uint16_t port = server.net->Port();
    std::vector<std::unique_ptr<Client>> strangers;
    for (int i = 0; i < 4; ++i) strangers.push_back(std::make_unique<Client>(port));
    EXPECT_TRUE(strangers[0]->ClosedWithin(2000));
    EXPECT_TRUE(strangers[1]->ClosedWithin(2000));
    EXPECT_FALSE(strangers[3]->ClosedWithin(100));
    const Client page(port);
    page.Write(Upgrade(port));
    EXPECT_TRUE(page.Answer(500).starts_with("HTTP/1.1 101 ")) << "a page with the token found no slot";
    std::lock_guard lock(server.mutex);
    EXPECT_NE(server.log.find("dropped: closed for a newer connection from its address"), std::string::npos)
        << server.log;
}

// One browser's share of the slots, and a page sending faster than it may slowed, then
// closed with one line.
TEST(WebNet, ABrowserHoldsItsShareAndAPageFloodingMessagesIsClosed) {
    Server server(web::NetLimits{.largestQueue = 1 << 20, .mostPerHolder = 2, .mostMessagesPerSecond = 20,
                                 .slowedFor = std::chrono::seconds(1)});
    const uint16_t port = server.net->Port();
    const Client first(port), second(port), third(port);
    first.Write(Upgrade(port));
    second.Write(Upgrade(port));
    EXPECT_TRUE(first.Answer(300).starts_with("HTTP/1.1 101 "));
    EXPECT_TRUE(second.Answer(300).starts_with("HTTP/1.1 101 "));
    third.Write(Upgrade(port));
    EXPECT_TRUE(third.Answer(2000).starts_with("HTTP/1.1 503 ")) << "a third page of the same browser";
    // Masked text frames of one byte, as a page sends them, far more than 20 in a second.
    const std::string frame("\x81\x81\0\0\0\0x", 7);
    std::string flood;
    for (int i = 0; i < 200; ++i) flood += frame;
    first.Write(flood);
    EXPECT_TRUE(first.ClosedWithin(5000) || first.ClosedWithin(5000));
    std::lock_guard lock(server.mutex);
    const std::string line = "page 1 from 127.0.0.1 dropped: it sent more than 20 messages a second for 1 s";
    EXPECT_NE(server.log.find(line), std::string::npos) << server.log;
    EXPECT_EQ(server.log.find(line), server.log.rfind(line));
}

TEST(WebNet, StoppingTellsEveryPageTheServerIsGoingAway) {
    Server server(web::NetLimits{});
    const Client page(server.net->Port());
    page.Write(Upgrade(server.net->Port()));
    const auto opened = [&] {
        std::lock_guard lock(server.mutex);
        return !server.sendsTaken.empty();
    };
    for (int i = 0; i < 200 && !opened(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    server.net->Stop();
    server.thread.join();
    server.thread = std::thread([] {});
    // A close frame, code 1001 (going away), after the upgrade and the two messages.
    EXPECT_NE(page.Answer(1000).find("\x88\x02\x03\xe9"), std::string::npos);
}

}  // namespace
