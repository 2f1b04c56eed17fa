// The only translation unit with Boost.Beast in it: it alone takes long to compile.
#include <utility>  // before asio: GCC 12 in C++20 needs it there

#include "host/web/net.h"

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <openssl/ssl.h>

#include <deque>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <type_traits>

namespace web {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

// Past this a message is not read at all and the page is dropped; below it, a message
// larger than the limit the server takes is refused with an error and the page stays.
constexpr size_t kLargestFrame = 64 * 1024;
constexpr size_t kLargestHeader = 8 * 1024;
constexpr int kRequestsPerConnection = 100;
// Long enough for a page that reads to hear the close, short enough that Ctrl+C feels at once.
constexpr std::chrono::milliseconds kFarewell{150};
// Strangers' refusals and drops are said once per kind and address in this while.
constexpr std::chrono::seconds kLogInterval{10};
constexpr size_t kMostKindsHeard = 1024;  // past it, the rest of the while's are counted together
// How long a TLS connection's end waits for the peer's close_notify after sending its own.
constexpr std::chrono::seconds kTlsGoodbye{1};
// TLS 1.2's suites: forward secrecy and AEAD only (TLS 1.3's are all of that already).
constexpr const char* kTls12Suites =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:ECDHE-ECDSA-AES256-GCM-SHA384:"
    "ECDHE-RSA-AES256-GCM-SHA384:ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305:"
    "DHE-RSA-AES128-GCM-SHA256:DHE-RSA-AES256-GCM-SHA384:DHE-RSA-CHACHA20-POLY1305";

constexpr const char* kSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// The peer closed, or we closed it ourselves (and said why then): nothing to report.
bool Ordinary(beast::error_code error) {
    return error == http::error::end_of_stream || error == websocket::error::closed || error == asio::error::eof ||
           error == asio::error::connection_reset || error == asio::error::not_connected ||
           error == asio::error::broken_pipe || error == asio::error::operation_aborted ||
           error == asio::ssl::error::stream_truncated;
}

template <class Body>
void Harden(http::response<Body>& reply) {
    reply.set(http::field::cache_control, "no-store");
    reply.set("X-Content-Type-Options", "nosniff");
    reply.set("X-Frame-Options", "DENY");
    reply.set("Referrer-Policy", "no-referrer");
    reply.set("Content-Security-Policy", kSecurityPolicy);
    reply.set("Cross-Origin-Resource-Policy", "same-origin");
}

// Whom a connection counts against: an IPv4 address, or an IPv6 /64, which one peer
// commonly has whole.
std::string PeerOf(const asio::ip::address& address) {
    if (address.is_v4()) return address.to_string();
    const auto v6 = address.to_v6();
    if (v6.is_v4_mapped()) return asio::ip::make_address_v4(asio::ip::v4_mapped, v6).to_string();
    auto bytes = v6.to_bytes();
    std::fill(bytes.begin() + 8, bytes.end(), 0);
    return asio::ip::address_v6(bytes).to_string() + "/64";
}

}  // namespace

struct NetServer::State {
    // Before the loop: the handlers it destroys last hold tickets that count here.
    size_t connections = 0;
    std::map<std::string, size_t> perPeer;
    std::map<std::string, size_t> perHolder;  // by session
    // Connections yet to show the token, oldest first.
    struct Stranger {
        std::string peer;
        bool evictable = true;  // until its TLS handshake is done
        std::function<void()> close;
    };
    std::map<uint64_t, Stranger> strangers;
    uint64_t nextStranger = 0;
    std::minstd_rand random{std::random_device{}()};
    // This while's strangers' lines, each said once, then counted.
    std::map<std::string, size_t> heard;
    size_t unheard = 0;
    bool stopping = false;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::signal_set signals{io, SIGINT, SIGTERM, SIGHUP};
    std::optional<asio::ssl::context> tls;
    Gate gate;
    NetLimits limits;
    NetEvents events;
    ConnectionId nextId = 1;

    struct Socket;
    std::map<ConnectionId, std::shared_ptr<Socket>> sockets;

    void Accept();
    // A connection's place, given back when the last of its handlers is done; null, with
    // why, when there is none for it.
    std::shared_ptr<void> Enter(const std::string& peer, std::string& why);
    // A place among the connections of one browser's session, holding `ticket` as long.
    std::shared_ptr<void> Hold(const std::string& session, const std::shared_ptr<void>& ticket);
    template <class Stream>
    void Upgrade(Stream stream, http::request<http::string_body> request, std::shared_ptr<void> ticket, std::string peer);
    void WatchStalls();
    void WatchLog();
    void Stopping();
    void Log(LogLevel level, const std::string& line) {
        if (events.log) events.log(level, line);
    }
    // A stranger's line: said the first time in the while, counted after.
    void Report(const std::string& line);
    void SayWhatWasCounted();
    void Signal();
    asio::steady_timer stallTimer{io};
    asio::steady_timer logTimer{io};
    asio::steady_timer farewellTimer{io};
    std::vector<std::shared_ptr<std::function<void()>>> ticks;
};

// What the server needs of one page's WebSocket, whichever stream is under it.
struct NetServer::State::Socket {
    virtual ~Socket() = default;
    virtual bool Send(std::string text) = 0;
    virtual void Drop(const std::string& why) = 0;
    virtual void Farewell() = 0;

    std::deque<std::string> queue;
    size_t queued = 0;
    bool writing = false;
    bool closing = false;  // dropped: the handlers still pending end it
    bool gone = false;
    Clock::time_point writeStarted;
};

namespace {

using State = NetServer::State;

// Says once how a connection ended, as Beast's examples do with fail(ec, what): an ordinary
// close at debug level, anything else as a drop with its reason.
struct Ending {
    State& state;
    std::string who;  // "page 3 from 127.0.0.1", "connection from 127.0.0.1"
    bool told = false;
    bool stranger = false;  // its line is counted with its like

    void Dropped(const std::string& why) {
        if (std::exchange(told, true)) return;
        if (stranger) return state.Report(who + " dropped: " + why);
        state.Log(LogLevel::Notice, who + " dropped: " + why);
    }
    void Closed() {
        if (std::exchange(told, true)) return;
        state.Log(LogLevel::Debug, who + " closed");
    }
    void Fail(beast::error_code error, const char* what) {
        if (!error || Ordinary(error)) return Closed();
        Dropped(std::string(what) + ": " + error.message());
    }
};

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

template <class Stream>
struct Page : State::Socket, std::enable_shared_from_this<Page<Stream>> {
    Page(State& s, ConnectionId i, Stream stream, std::shared_ptr<void> t, const std::string& peer)
        : state(s), id(i), ws(std::move(stream)), ticket(std::move(t)),
          ending{s, "page " + std::to_string(i) + " from " + peer}, pause(s.io) {}

    State& state;
    ConnectionId id;
    websocket::stream<Stream> ws;
    std::shared_ptr<void> ticket;
    Ending ending;
    beast::flat_buffer buffer;
    // Its messages in the current second, and the seconds in a row it sent too many.
    Clock::time_point second = Clock::now();
    size_t inSecond = 0;
    int secondsOver = 0;
    asio::steady_timer pause;

    void Start(http::request<http::string_body> request) {
        beast::get_lowest_layer(ws).expires_never();
        ws.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws.read_message_max(kLargestFrame);
        ws.text(true);
        ws.async_accept(request, [self = this->shared_from_this()](beast::error_code error) {
            if (error) return self->End(error, "WebSocket handshake");
            self->state.events.opened(self->id);
            self->Read();
        });
    }

    void Read() {
        if (const auto now = Clock::now(); now - second >= std::chrono::seconds(1)) {
            secondsOver = 0;  // a second went by within the rate
            second = now;
            inSecond = 0;
        }
        ws.async_read(buffer, [self = this->shared_from_this()](beast::error_code error, size_t) {
            if (error || self->gone || self->closing) return self->End(error, "read");
            const std::string text = beast::buffers_to_string(self->buffer.data());
            self->buffer.consume(self->buffer.size());
            self->state.events.message(self->id, text);
            self->Pace();
        });
    }

    // Reads on at once while the page keeps to its rate; else when the second is over.
    void Pace() {
        if (gone || closing) return Read();
        if (++inSecond < state.limits.mostMessagesPerSecond) return Read();
        pause.expires_at(second + std::chrono::seconds(1));
        pause.async_wait([self = this->shared_from_this()](beast::error_code) {
            self->second = Clock::now();
            self->inSecond = 0;
            if (++self->secondsOver >= self->state.limits.slowedFor.count())
                self->Drop("it sent more than " + std::to_string(self->state.limits.mostMessagesPerSecond) + " messages a second for " +
                           std::to_string(self->state.limits.slowedFor.count()) + " s");
            self->Read();
        });
    }

    bool Send(std::string text) override {
        if (gone || closing) return false;
        if (queued + text.size() > state.limits.largestQueue) {
            Drop("it read too slowly: more than " + std::to_string(state.limits.largestQueue) + " bytes waited for it");
            return false;
        }
        queued += text.size();
        queue.push_back(std::move(text));
        if (!writing) Write();
        return true;
    }

    void Write() {
        writing = true;
        writeStarted = Clock::now();
        ws.async_write(asio::buffer(queue.front()), [self = this->shared_from_this()](beast::error_code error, size_t) {
            self->writing = false;
            if (error || self->gone || self->closing) return self->End(error, "write");
            self->queued -= self->queue.front().size();
            self->queue.pop_front();
            if (!self->queue.empty()) return self->Write();
            self->state.events.drained(self->id);
        });
    }

    // The socket closes; the read that is always pending (or starts after the message being
    // handled) then fails and ends the page, so "closed" is never heard from inside a Send.
    void Drop(const std::string& why) override {
        if (gone || closing) return;
        closing = true;
        queue.clear();
        queued = 0;
        ending.Dropped(why);
        pause.cancel();
        beast::error_code ignored;
        beast::get_lowest_layer(ws).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(ws).socket().close(ignored);
    }

    void Farewell() override {
        if (gone || closing) return;
        closing = true;
        queue.clear();
        queued = 0;
        pause.cancel();
        ws.async_close(websocket::close_code::going_away,
                       [self = this->shared_from_this()](beast::error_code error) { self->End(error, "close"); });
    }

    void End(beast::error_code error, const char* what) {
        if (gone) return;
        gone = true;
        ending.Fail(error, what);
        queue.clear();
        queued = 0;
        ticket.reset();
        auto keep = this->shared_from_this();
        state.sockets.erase(id);
        state.events.closed(id);
        if (state.stopping && state.sockets.empty()) state.io.stop();
    }
};

// One HTTP connection: requests one after another, each read within the header timeout,
// until it closes, fails, upgrades or has served its share. Until it shows the token it is a
// stranger: closed at a fixed deadline, and the first to go when strangers crowd.
template <class Stream>
struct HttpConnection : std::enable_shared_from_this<HttpConnection<Stream>> {
    template <class... Args>
    HttpConnection(State& s, std::shared_ptr<void> t, std::string p, Args&&... args)
        : state(s), ticket(std::move(t)), peer(std::move(p)), ending{s, "connection from " + peer, false, true},
          stream(std::forward<Args>(args)...), deadline(Clock::now() + s.limits.strangerDeadline),
          stranger(s.nextStranger++) {}
    ~HttpConnection() { state.strangers.erase(stranger); }

    State& state;
    std::shared_ptr<void> ticket;
    std::string peer;
    Ending ending;
    Stream stream;
    Clock::time_point deadline;
    uint64_t stranger;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
    int served = 0;
    bool misdirected = false;  // plain HTTP that came to the TLS port
    size_t lingered = 0;
    bool shaken = false;  // its TLS handshake done
    std::string session;  // the browser's session it showed, once it did

    void Start() {
        state.strangers.emplace(stranger, State::Stranger{PeerKey(), true, [weak = this->weak_from_this()] {
                                                               if (auto self = weak.lock()) {
                                                                   self->ending.Dropped("closed for a newer connection from its address");
                                                                   self->Close({}, "");
                                                               }
                                                           }});
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            // The first bytes tell a TLS handshake from a person who typed http://.
            Expire(state.limits.headerTimeout);
            beast::get_lowest_layer(stream).async_read_some(
                buffer.prepare(kLargestHeader), [self = this->shared_from_this()](beast::error_code error, size_t size) {
                    if (error) return self->Close(error, "read");
                    self->buffer.commit(size);
                    const auto first = static_cast<const unsigned char*>(self->buffer.data().data())[0];
                    if (first >= 'A' && first <= 'Z') return self->Misdirected();
                    self->Handshake();
                });
        } else {
            Read();
        }
    }

    void Handshake() {
        stream.async_handshake(asio::ssl::stream_base::server, buffer.data(),
                               [self = this->shared_from_this()](beast::error_code error, size_t) {
                                   // No client sends data before the server's handshake answer.
                                   self->buffer.consume(self->buffer.size());
                                   if (error) return self->Close(error, "TLS handshake");
                                   self->shaken = true;
                                   // Done with the work a handshake costs: no newcomer takes its place.
                                   if (auto found = self->state.strangers.find(self->stranger); found != self->state.strangers.end())
                                       found->second.evictable = false;
                                   self->Read();
                               });
    }

    // The same connection, as plain HTTP, answered with where to go instead.
    void Misdirected() {
        auto plain = std::make_shared<HttpConnection<PlainStream>>(
            state, std::move(ticket), peer, std::move(beast::get_lowest_layer(stream).socket()));
        plain->misdirected = true;
        plain->deadline = deadline;
        plain->buffer = std::move(buffer);
        plain->Start();
    }

    // Strangers' operations end at the deadline at the latest.
    void Expire(std::chrono::steady_clock::duration within) {
        beast::get_lowest_layer(stream).expires_at(std::min(Clock::now() + within, deadline));
    }

    // It showed a session (or the token, now one): no longer a stranger, and one of its
    // browser's connections. False when that browser holds its share already.
    bool Trust(const std::string& shown) {
        if (!session.empty()) return true;
        auto held = state.Hold(shown, ticket);
        if (!held) return false;
        ticket = std::move(held);
        session = shown;
        state.strangers.erase(stranger);
        deadline = Clock::time_point::max();
        ending.stranger = false;
        return true;
    }

    void Read() {
        parser.emplace();
        parser->header_limit(kLargestHeader);
        parser->body_limit(state.limits.largestBody);
        Expire(state.limits.headerTimeout);
        http::async_read(stream, buffer, *parser, [self = this->shared_from_this()](beast::error_code error, size_t) {
            if (error == http::error::body_limit)
                return self->Refuse(http::status::payload_too_large, self->parser->get().version(),
                                    "larger than " + std::to_string(self->state.limits.largestBody / 1024) + " KiB\n");
            // A keep-alive that ran out before another request began is a close like any other.
            if (error == beast::error::timeout && !self->parser->got_some()) return self->Close({}, "read");
            if (error) return self->Close(error, "read");
            if (self->misdirected) return self->RefuseMisdirected(self->parser->release());
            self->Handle(self->parser->release());
        });
    }

    void Close(beast::error_code error, const char* what) {
        ending.Fail(error, what);
        state.strangers.erase(stranger);
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            // An end the peer can tell from a cut: close_notify, then the connection closed.
            if (!error && shaken && std::exchange(shaken, false)) {
                beast::get_lowest_layer(stream).expires_after(kTlsGoodbye);
                return stream.async_shutdown([self = this->shared_from_this()](beast::error_code) { self->Cut(); });
            }
        }
        Cut();
    }

    void Cut() {
        beast::error_code ignored;
        beast::get_lowest_layer(stream).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(stream).close();
    }

    // The address (an IPv6 peer's /64) it counts against.
    std::string PeerKey() const {
        beast::error_code ignored;
        const auto from = beast::get_lowest_layer(stream).socket().remote_endpoint(ignored);
        return ignored ? peer : PeerOf(from.address());
    }

    // After a reply that ends the connection while the peer may still be sending: what it
    // sends is read and dropped, within a deadline and a budget from the start of it all, so
    // the reply is not lost to a reset and a trickling peer cannot keep the connection.
    void Linger() {
        beast::error_code ignored;
        beast::get_lowest_layer(stream).socket().shutdown(tcp::socket::shutdown_send, ignored);
        Expire(state.limits.lingerDeadline);
        Discard();
    }

    void Discard() {
        buffer.consume(buffer.size());
        stream.async_read_some(buffer.prepare(16 * 1024), [self = this->shared_from_this()](beast::error_code error, size_t size) {
            self->lingered += size;
            if (error || self->lingered > self->state.limits.lingerBudget) return self->Close({}, "linger");
            self->Discard();
        });
    }

    template <class Body>
    void Reply(std::shared_ptr<http::response<Body>> reply, bool keepAlive, bool lingering = false) {
        reply->keep_alive(keepAlive);
        Expire(state.limits.headerTimeout);
        http::async_write(stream, *reply, [self = this->shared_from_this(), reply, keepAlive, lingering](beast::error_code error, size_t) {
            if (!error && lingering) return self->Linger();
            if (error || !keepAlive) return self->Close(error, "write");
            self->Read();
        });
    }

    // A HEAD gets the GET's headers, its Content-Length included, without the body.
    void Answer(std::shared_ptr<http::response<http::string_body>> reply, bool head, bool keepAlive) {
        Harden(*reply);
        reply->prepare_payload();
        if (!head) return Reply(reply, keepAlive);
        auto bare = std::make_shared<http::response<http::empty_body>>(std::move(reply->base()));
        Reply(bare, keepAlive);
    }

    void Refuse(http::status status, unsigned version, std::string why) {
        ending.Dropped(std::to_string(static_cast<unsigned>(status)) + " " + why.substr(0, why.find('\n')));
        Last(status, version, std::move(why), "text/plain; charset=utf-8");
    }

    // An answer that ends the connection, lingering for what the peer still sends.
    void Last(http::status status, unsigned version, std::string body, const char* type) {
        auto reply = std::make_shared<http::response<http::string_body>>(status, version);
        reply->set(http::field::content_type, type);
        reply->body() = std::move(body);
        Harden(*reply);
        reply->prepare_payload();
        Reply(reply, false, true);
    }

    // The address to open instead: the one asked for when it names the server, which keeps
    // it to numbers and localhost, safe to show in the page.
    void RefuseMisdirected(const http::request<http::string_body>& request) {
        const auto asked = request[http::field::host];
        const std::string_view host(asked.data(), asked.size());
        const std::string address =
            "https://" + (HostAllowed(state.gate, host) ? std::string(host) : HostText(state.gate.listen)) + "/";
        ending.Dropped("400 plain HTTP on the TLS port");
        Last(http::status::bad_request, request.version(),
             "<!doctype html><title>qm7140-web: HTTPS only</title><p>This server speaks HTTPS only: open <a href=\"" +
                 address + "\">" + address + "</a>, or better the whole address <code>qm7140-web</code> printed on its first line.\n",
             "text/html; charset=utf-8");
    }

    // Says what to open instead: a person who followed an old link or a bookmark lands here.
    void Forbidden(unsigned version) {
        ending.Dropped("403, not a session's cookie nor the printed token, or not this server's Host, Origin or site");
        auto reply = std::make_shared<http::response<http::string_body>>(http::status::forbidden, version);
        if (const Asset* page = state.events.asset("/forbidden.html")) {
            reply->set(http::field::content_type, std::string(page->contentType));
            reply->body().assign(reinterpret_cast<const char*>(page->data), page->size);
        }
        Harden(*reply);
        reply->prepare_payload();
        Reply(reply, false);
    }

    void Handle(http::request<http::string_body> request) {
        ++served;
        // Two of either could pass the gate on one and mean the other to whoever reads them.
        if (request.count(http::field::host) > 1 || request.count(http::field::origin) > 1)
            return Refuse(http::status::bad_request, request.version(), "one Host and at most one Origin\n");
        const std::string_view target(request.target().data(), request.target().size());
        const auto mark = target.find('?');
        const auto field = [&](http::field f) {
            const auto value = request[f];
            return std::string_view(value.data(), value.size());
        };
        const bool upgrade = websocket::is_upgrade(request);
        const bool head = request.method() == http::verb::head;
        const bool reading = request.method() == http::verb::get || head;
        RequestFacts facts{field(http::field::host), std::nullopt,
                           mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1),
                           field(http::field::cookie), upgrade || !reading, std::nullopt};
        if (request.find(http::field::origin) != request.end()) facts.origin = field(http::field::origin);
        if (const auto site = request.find("Sec-Fetch-Site"); site != request.end())
            facts.fetchSite = std::string_view(site->value().data(), site->value().size());
        Verdict verdict = Admit(state.gate, facts);
        // A token's use sets a cookie, which only a page's answer can.
        if (!verdict.allowed || (verdict.tokenInQuery && upgrade)) return Forbidden(request.version());
        if (verdict.tokenInQuery) {
            // The printed token's one use: from now on this browser's cookie opens the page.
            verdict.session = MakeToken();
            state.gate.sessions.push_back(verdict.session);
            state.gate.token.clear();
            state.Log(LogLevel::Notice, "the printed address's token opened a session for " + peer +
                                            "; it opens nothing more (SIGHUP prints a new one)");
        }
        if (!Trust(verdict.session))
            return Refuse(http::status::service_unavailable, request.version(),
                          "this browser holds its " + std::to_string(state.limits.mostPerHolder) + " connections already\n");

        const std::string path(target.substr(0, mark));
        if (upgrade) {
            if (path != "/ws") return Forbidden(request.version());
            beast::get_lowest_layer(stream).expires_never();
            return state.Upgrade(std::move(stream), std::move(request), std::move(ticket), peer);
        }

        const bool keepAlive = request.keep_alive() && served < kRequestsPerConnection;
        const Asset* asset = reading ? state.events.asset(path == "/" ? "/index.html" : path) : nullptr;
        auto reply = std::make_shared<http::response<http::string_body>>(http::status::ok, request.version());
        if (verdict.tokenInQuery) reply->set(http::field::set_cookie, state.gate.SetCookie(verdict.session));
        if (asset != nullptr) {
            reply->set(http::field::content_type, std::string(asset->contentType));
            reply->body().assign(reinterpret_cast<const char*>(asset->data), asset->size);
            return Answer(reply, head, keepAlive);
        }
        HttpRequest mine{head ? "GET" : std::string(request.method_string()), path,
                         std::string(mark == std::string_view::npos ? "" : target.substr(mark + 1)),
                         std::move(request.body())};
        HttpReply answer = state.events.http(mine);
        reply->result(static_cast<http::status>(answer.status));
        reply->set(http::field::content_type, answer.contentType);
        if (!answer.disposition.empty()) reply->set(http::field::content_disposition, answer.disposition);
        reply->body() = std::move(answer.body);
        Answer(reply, head, keepAlive);
    }
};

}  // namespace

std::shared_ptr<void> NetServer::State::Enter(const std::string& peer, std::string& why) {
    // Its own address's share first: a connection refused for it costs no one else theirs.
    if (limits.mostPerPeer > 0) {
        const auto found = perPeer.find(peer);
        if (found != perPeer.end() && found->second >= limits.mostPerPeer) {
            why = "that address's most connections are open";
            return nullptr;
        }
    }
    // Strangers up to a quarter of the slots; up to half, refused at random, more likely the
    // closer to half (the early drop that keeps a flood from taking them all); past that,
    // only from an address that has none, or in place of its own address's oldest that has
    // done no handshake. A connection that did, or showed the token, is never closed for it.
    const size_t low = limits.mostConnections / 4, high = limits.mostConnections / 2, count = strangers.size();
    const bool crowded = count >= high || (count >= low && std::uniform_int_distribution<size_t>(low, high - 1)(random) < count);
    bool room = connections < limits.mostConnections;
    if (crowded || !room) {
        auto own = strangers.end();
        bool holds = false;
        for (auto s = strangers.begin(); s != strangers.end(); ++s) {
            if (s->second.peer != peer) continue;
            holds = true;
            if (s->second.evictable) {
                own = s;
                break;
            }
        }
        if (own != strangers.end()) {
            const auto close = std::move(own->second.close);
            strangers.erase(own);
            close();
        } else if (holds || !room) {
            why = !room ? "the server's most connections are open"
                        : std::to_string(count) + " connections without the token are open, this address's among them";
            return nullptr;
        }
    }
    ++connections;
    ++perPeer[peer];
    return std::shared_ptr<void>(static_cast<void*>(this), [this, peer](void*) {
        --connections;
        if (--perPeer[peer] == 0) perPeer.erase(peer);
    });
}

std::shared_ptr<void> NetServer::State::Hold(const std::string& session, const std::shared_ptr<void>& ticket) {
    if (perHolder[session] >= limits.mostPerHolder) return nullptr;
    ++perHolder[session];
    return std::shared_ptr<void>(static_cast<void*>(this), [this, session, ticket](void*) {
        if (--perHolder[session] == 0) perHolder.erase(session);
    });
}

void NetServer::State::Report(const std::string& line) {
    const auto found = heard.find(line);
    if (found != heard.end()) {
        ++found->second;
    } else if (heard.size() < kMostKindsHeard) {
        heard.emplace(line, 0);
        Log(LogLevel::Notice, line);
    } else {
        ++unheard;
    }
}

void NetServer::State::SayWhatWasCounted() {
    const std::string within = " in the last " + std::to_string(kLogInterval.count()) + " s";
    for (const auto& [line, more] : heard)
        if (more > 0) Log(LogLevel::Notice, line + " (and " + std::to_string(more) + " more like it" + within + ")");
    if (unheard > 0) Log(LogLevel::Notice, std::to_string(unheard) + " more connections without the token refused or dropped" + within);
    heard.clear();
    unheard = 0;
}

void NetServer::State::Accept() {
    acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || stopping) return;
        beast::error_code ignored;
        const tcp::endpoint from = socket.remote_endpoint(ignored);
        if (!error && !ignored) {
            const std::string address = from.address().to_string();
            std::string why;
            if (std::shared_ptr<void> ticket = Enter(PeerOf(from.address()), why); !ticket) {
                Report("connection from " + address + " refused: " + why);
                socket.close(ignored);
            } else {
                // Updates are small and each is awaited: none may wait for the next.
                socket.set_option(tcp::no_delay(true), ignored);
                if (tls)
                    std::make_shared<HttpConnection<TlsStream>>(*this, std::move(ticket), address, std::move(socket), *tls)->Start();
                else
                    std::make_shared<HttpConnection<PlainStream>>(*this, std::move(ticket), address, std::move(socket))->Start();
            }
        }
        Accept();
    });
}

template <class Stream>
void NetServer::State::Upgrade(Stream stream, http::request<http::string_body> request, std::shared_ptr<void> ticket,
                               std::string peer) {
    const ConnectionId id = nextId++;
    auto socket = std::make_shared<Page<Stream>>(*this, id, std::move(stream), std::move(ticket), std::move(peer));
    sockets.emplace(id, socket);
    socket->Start(std::move(request));
}

void NetServer::State::Signal() {
    signals.async_wait([this](beast::error_code failed, int number) {
        if (failed) return;
        if (number != SIGHUP) return Stopping();
        gate.token = MakeToken();
        if (events.token) events.token(gate.token);
        Signal();
    });
}

void NetServer::State::WatchStalls() {
    stallTimer.expires_after(std::chrono::seconds(1));
    stallTimer.async_wait([this](beast::error_code error) {
        if (error) return;
        const auto now = Clock::now();
        std::vector<std::shared_ptr<Socket>> stalled;
        for (auto& [id, socket] : sockets)
            if (socket->writing && now - socket->writeStarted > limits.stalledWrite) stalled.push_back(socket);
        for (auto& socket : stalled)
            socket->Drop("a write stalled for " + std::to_string(limits.stalledWrite.count()) + " s");
        WatchStalls();
    });
}

void NetServer::State::WatchLog() {
    logTimer.expires_after(kLogInterval);
    logTimer.async_wait([this](beast::error_code error) {
        if (error) return;
        SayWhatWasCounted();
        WatchLog();
    });
}

NetServer::NetServer(Gate gate, NetLimits limits, const Certificate* tls) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.gate = std::move(gate);
    s.limits = limits;
    if (tls == nullptr) return;
    beast::error_code error;
    s.tls.emplace(asio::ssl::context::tls_server);
    s.tls->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                       asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
    SSL_CTX_set_options(s.tls->native_handle(), SSL_OP_NO_RENEGOTIATION);
    if (SSL_CTX_set_cipher_list(s.tls->native_handle(), kTls12Suites) != 1) throw std::runtime_error("the TLS 1.2 suites");
    s.tls->use_certificate_chain(asio::buffer(tls->certificatePem), error);
    if (!error) s.tls->use_private_key(asio::buffer(tls->keyPem), asio::ssl::context::pem, error);
    if (error) throw std::runtime_error("the TLS certificate or key: " + error.message());
}

void NetServer::Listen(NetEvents events) {
    State& s = *state_;
    s.events = std::move(events);
    const Endpoint& listen = s.gate.listen;
    beast::error_code error;
    const auto address = asio::ip::make_address(listen.address, error);
    if (error) throw std::runtime_error("bad listen address " + listen.address);
    const tcp::endpoint where(address, listen.port);
    s.acceptor.open(where.protocol(), error);
    if (!error) s.acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) s.acceptor.bind(where, error);
    if (!error) s.acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) throw std::runtime_error("cannot listen on " + HostText(listen) + ": " + error.message());
    s.gate.listen.port = s.acceptor.local_endpoint().port();
    s.Signal();
    s.Accept();
    s.WatchStalls();
    s.WatchLog();
}

NetServer::~NetServer() = default;

uint16_t NetServer::Port() const { return state_->gate.listen.port; }

void NetServer::Run() { state_->io.run(); }

void NetServer::State::Stopping() {
    if (!stopping) SayWhatWasCounted();
    if (std::exchange(stopping, true) || sockets.empty()) return io.stop();
    beast::error_code ignored;
    acceptor.close(ignored);
    stallTimer.cancel();
    logTimer.cancel();
    std::vector<std::shared_ptr<Socket>> pages;
    for (auto& [id, socket] : sockets) pages.push_back(socket);
    for (auto& page : pages) page->Farewell();
    farewellTimer.expires_after(kFarewell);
    farewellTimer.async_wait([this](beast::error_code error) {
        if (!error) io.stop();
    });
}

// From any thread, or the signal's handler: the loop does the rest.
void NetServer::Stop() {
    asio::post(state_->io, [&s = *state_] { s.Stopping(); });
}

bool NetServer::Send(ConnectionId id, std::string text) {
    const auto found = state_->sockets.find(id);
    return found != state_->sockets.end() && found->second->Send(std::move(text));
}

bool NetServer::Idle(ConnectionId id) const {
    const auto found = state_->sockets.find(id);
    return found != state_->sockets.end() && !found->second->closing && found->second->queue.empty();
}

void NetServer::Post(std::function<void()> work) { asio::post(state_->io, std::move(work)); }

void NetServer::Every(std::chrono::milliseconds period, std::function<void()> tick) {
    auto timer = std::make_shared<asio::steady_timer>(state_->io);
    auto step = std::make_shared<std::function<void()>>();
    *step = [timer, period, tick = std::move(tick), weak = std::weak_ptr(step)] {
        timer->expires_after(period);
        timer->async_wait([timer, tick, weak](beast::error_code error) {
            if (error) return;
            tick();
            if (auto next = weak.lock()) (*next)();
        });
    };
    (*step)();
    state_->ticks.push_back(step);
}

}  // namespace web
