// The web host's server over TLS on loopback: a page with the token served through churn from
// other addresses, the log in proportion to it, and the TLS itself (no weak suites, no
// renegotiation, close_notify at the end).
#include "host/web/certificate.h"
#include "host/web/net.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <atomic>
#include <csignal>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const web::Certificate& TestCertificate() {
    static const web::Certificate certificate = [] {
        const fs::path folder = fs::temp_directory_path() / ("qm7140-tls-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        web::Certificate made = web::KeptCertificate(folder / "state", "127.0.0.1").certificate;
        fs::remove_all(folder);
        return made;
    }();
    return certificate;
}

sockaddr_in Loopback(uint16_t port, int last = 1) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl((127u << 24) | static_cast<unsigned>(last));
    return a;
}

// A blocking TLS client from 127.0.0.1, each call bounded by 5 s.
struct TlsClient {
    explicit TlsClient(uint16_t port, const char* ciphers = nullptr) {
        ::signal(SIGPIPE, SIG_IGN);  // a write to a connection the server closed fails instead
        context.reset(SSL_CTX_new(TLS_client_method()));
        SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
        if (ciphers != nullptr) {
            SSL_CTX_set_max_proto_version(context.get(), TLS1_2_VERSION);
            SSL_CTX_set_cipher_list(context.get(), ciphers);
        }
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const timeval limit{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        const sockaddr_in to = Loopback(port);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) return;
        ssl.reset(SSL_new(context.get()));
        SSL_set_fd(ssl.get(), fd);
        shaken = SSL_connect(ssl.get()) == 1;
    }
    ~TlsClient() {
        ssl.reset();
        ::close(fd);
        ERR_clear_error();
    }
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    bool Write(const std::string& text) {
        return shaken && SSL_write(ssl.get(), text.data(), static_cast<int>(text.size())) == static_cast<int>(text.size());
    }
    // Until the server ends the TLS session or the connection: what it sent, and how it ended.
    std::string Answer() {
        std::string text;
        char chunk[4096];
        for (;;) {
            const int got = SSL_read(ssl.get(), chunk, sizeof chunk);
            if (got > 0) {
                text.append(chunk, static_cast<size_t>(got));
                continue;
            }
            closeNotify = SSL_get_error(ssl.get(), got) == SSL_ERROR_ZERO_RETURN;
            return text;
        }
    }

    struct SslFree {
        void operator()(SSL* s) const { SSL_free(s); }
        void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
    };
    std::unique_ptr<SSL_CTX, SslFree> context;
    std::unique_ptr<SSL, SslFree> ssl;
    int fd = -1;
    bool shaken = false;
    bool closeNotify = false;
};

struct TlsServer {
    explicit TlsServer(web::NetLimits limits) {
        web::NetEvents events;
        events.opened = [](web::ConnectionId) {};
        events.message = [](web::ConnectionId, std::string_view) {};
        events.closed = [](web::ConnectionId) {};
        events.drained = [](web::ConnectionId) {};
        events.http = [](const web::HttpRequest&) { return web::HttpReply{200, "text/plain", "served\n"}; };
        events.asset = [](std::string_view) { return nullptr; };
        events.log = [this](web::LogLevel level, const std::string&) {
            if (level == web::LogLevel::Notice) ++lines;
        };
        net = std::make_unique<web::NetServer>(web::Gate{{"127.0.0.1", 0}, std::string(64, 'b'), true, {std::string(64, 'a')}}, limits, &TestCertificate());
        net->Listen(events);
        thread = std::thread([this] { net->Run(); });
    }
    ~TlsServer() {
        net->Stop();
        thread.join();
    }
    // A GET with the token's cookie on a new connection: true when it was answered 200.
    bool Served() {
        const uint16_t port = net->Port();
        TlsClient client(port);
        const std::string host = "127.0.0.1:" + std::to_string(port);
        return client.Write("GET /state?dev=0 HTTP/1.1\r\nHost: " + host + "\r\nCookie: __Host-qm7140-" + std::to_string(port) + "=" +
                            std::string(64, 'a') + "\r\nConnection: close\r\n\r\n") &&
               client.Answer().starts_with("HTTP/1.1 200 ");
    }

    std::unique_ptr<web::NetServer> net;
    std::thread thread;
    std::atomic<size_t> lines{0};
};

// Keeps `open` connections without a byte open from `addresses` loopback addresses (from
// 127.0.0.2 on), a new one at once for each the server closes.
struct Churn {
    Churn(uint16_t port, size_t open, int addresses) {
        for (int t = 0; t < 2; ++t)
            threads.emplace_back([this, port, open, addresses, t] {
                std::vector<pollfd> held;
                for (unsigned n = static_cast<unsigned>(t); !stop; n += 2) {
                    while (held.size() < open / 2) {
                        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
                        const int yes = 1;
                        ::setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &yes, sizeof yes);
                        const sockaddr_in from = Loopback(0, 2 + static_cast<int>(n % static_cast<unsigned>(addresses)));
                        const sockaddr_in to = Loopback(port);
                        ::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from);
                        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
                        ++opened;
                        held.push_back({fd, POLLIN, 0});
                        n += 2;
                    }
                    if (::poll(held.data(), held.size(), 10) <= 0) continue;
                    std::erase_if(held, [](const pollfd& p) {
                        if (p.revents == 0) return false;
                        ::close(p.fd);
                        return true;
                    });
                }
                for (const pollfd& p : held) ::close(p.fd);
            });
    }
    ~Churn() {
        stop = true;
        for (auto& t : threads) t.join();
    }
    std::atomic<bool> stop{false};
    std::atomic<size_t> opened{0};
    std::vector<std::thread> threads;
};

TEST(WebTls, ChurnFromOtherAddressesNeverLocksOutAPageWithTheTokenNorFloodsTheLog) {
    TlsServer server(web::NetLimits{.mostPerPeer = 16});
    int tries = 0, served = 0;
    const auto start = Clock::now();
    {
        const Churn churn(server.net->Port(), 600, 40);
        while (tries < 50 || (Clock::now() - start < std::chrono::seconds(10) && tries < 1000)) {
            ++tries;
            served += server.Served() ? 1 : 0;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("churn: %zu connections in %.1f s; the page with the token served %d of %d times; %zu log lines\n",
                    churn.opened.load(), seconds, served, tries, server.lines.load());
    }
    EXPECT_EQ(served, tries);
    EXPECT_LE(server.lines.load(), 400U);
}

TEST(WebTls, OffersNoWeakSuiteNorRenegotiationAndEndsWithCloseNotify) {
    TlsServer server(web::NetLimits{});
    const uint16_t port = server.net->Port();
    for (const char* weak : {"AES128-SHA", "ECDHE-RSA-AES128-SHA:ECDHE-ECDSA-AES128-SHA", "AES256-SHA256"})
        EXPECT_FALSE(TlsClient(port, weak).shaken) << weak;
    EXPECT_TRUE(TlsClient(port, "ECDHE-ECDSA-AES128-GCM-SHA256").shaken);

    TlsClient renegotiating(port, "ECDHE-ECDSA-AES128-GCM-SHA256");
    ASSERT_TRUE(renegotiating.shaken);
    EXPECT_FALSE(SSL_renegotiate(renegotiating.ssl.get()) == 1 && SSL_do_handshake(renegotiating.ssl.get()) == 1 &&
                 renegotiating.Write("GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n") &&
                 !renegotiating.Answer().empty())
        << "a renegotiation was taken";

    EXPECT_TRUE(server.Served());
    TlsClient refused(port);
    ASSERT_TRUE(refused.Write("GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n"));
    EXPECT_TRUE(refused.Answer().starts_with("HTTP/1.1 403 "));
    TlsClient served(port);
    ASSERT_TRUE(served.Write("GET /state HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nCookie: __Host-qm7140-" +
                             std::to_string(port) + "=" + std::string(64, 'a') + "\r\nConnection: close\r\n\r\n"));
    EXPECT_TRUE(served.Answer().starts_with("HTTP/1.1 200 "));
    EXPECT_TRUE(served.closeNotify) << "the connection ended without close_notify";
}

}  // namespace
