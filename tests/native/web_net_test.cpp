// The web host's server on loopback with small limits: one peer's share of connections, and
// a page dropped for a full queue, logged with why and closed only after the Send returned.
#include "host/web/net.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
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
        net = std::make_unique<web::NetServer>(web::Gate{{"127.0.0.1", 0}, std::string(64, 'a')}, limits);
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

TEST(WebNet, APageDroppedForItsQueueIsLoggedAndClosedAfterTheSend) {
    Server server(web::NetLimits{.largestQueue = 1000});
    const uint16_t port = server.net->Port();
    const Client page(port);
    const std::string host = "127.0.0.1:" + std::to_string(port);
    page.Write("GET /ws HTTP/1.1\r\nHost: " + host + "\r\nOrigin: http://" + host + "\r\nCookie: qm7140_" + std::to_string(port) +
               "=" + std::string(64, 'a') +
               "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
               "Sec-WebSocket-Version: 13\r\n\r\n");
    for (int i = 0; i < 200 && !server.closed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(server.closed);
    std::lock_guard lock(server.mutex);
    EXPECT_EQ(server.sendsTaken, (std::vector<bool>{true, false}));
    EXPECT_FALSE(server.closedDuringSend);
    EXPECT_NE(server.log.find("page 1 from 127.0.0.1 dropped: it read too slowly"), std::string::npos) << server.log;
}

}  // namespace
