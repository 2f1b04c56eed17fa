// The only translation unit with Boost.Beast in it: it alone takes long to compile.
#include <utility>  // before asio: GCC 12 in C++20 needs it there

#include "host/web/net.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <deque>
#include <map>
#include <stdexcept>

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

constexpr const char* kSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

template <class Body>
void Harden(http::response<Body>& reply) {
    reply.set(http::field::cache_control, "no-store");
    reply.set("X-Content-Type-Options", "nosniff");
    reply.set("X-Frame-Options", "DENY");
    reply.set("Referrer-Policy", "no-referrer");
    reply.set("Content-Security-Policy", kSecurityPolicy);
}

}  // namespace

struct NetServer::State {
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::signal_set signals{io, SIGINT, SIGTERM};
    Gate gate;
    NetLimits limits;
    NetEvents events;
    size_t connections = 0;
    ConnectionId nextId = 1;

    struct Socket;
    std::map<ConnectionId, std::shared_ptr<Socket>> sockets;

    void Accept();
    void ServeHttp(tcp::socket socket);
    void Upgrade(beast::tcp_stream stream, http::request<http::string_body> request);
    void WatchStalls();
    asio::steady_timer stallTimer{io};
    std::vector<std::shared_ptr<std::function<void()>>> ticks;
};

// One page's WebSocket.
struct NetServer::State::Socket : std::enable_shared_from_this<Socket> {
    Socket(State& s, ConnectionId i, beast::tcp_stream stream) : state(s), id(i), ws(std::move(stream)) {}

    State& state;
    ConnectionId id;
    websocket::stream<beast::tcp_stream> ws;
    beast::flat_buffer buffer;
    std::deque<std::string> queue;
    size_t queued = 0;
    bool writing = false;
    bool closing = false;  // dropped: the handlers still pending end it
    bool gone = false;
    Clock::time_point writeStarted;

    void Start(http::request<http::string_body> request) {
        beast::get_lowest_layer(ws).expires_never();
        ws.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws.read_message_max(kLargestFrame);
        ws.text(true);
        ws.async_accept(request, [self = shared_from_this()](beast::error_code error) {
            if (error) return self->End();
            self->state.events.opened(self->id);
            self->Read();
        });
    }

    void Read() {
        ws.async_read(buffer, [self = shared_from_this()](beast::error_code error, size_t) {
            if (error || self->gone || self->closing) return self->End();
            const std::string text = beast::buffers_to_string(self->buffer.data());
            self->buffer.consume(self->buffer.size());
            self->state.events.message(self->id, text);
            self->Read();
        });
    }

    bool Send(std::string text) {
        if (gone || closing) return false;
        if (queued + text.size() > state.limits.largestQueue) {
            Drop();
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
        ws.async_write(asio::buffer(queue.front()), [self = shared_from_this()](beast::error_code error, size_t) {
            self->writing = false;
            if (error || self->gone || self->closing) return self->End();
            self->queued -= self->queue.front().size();
            self->queue.pop_front();
            if (!self->queue.empty()) return self->Write();
            self->state.events.drained(self->id);
        });
    }

    // The socket closes; the read that is always pending (or starts after the message being
    // handled) then fails and ends the page, so "closed" is never heard from inside a Send.
    void Drop() {
        if (gone || closing) return;
        closing = true;
        queue.clear();
        queued = 0;
        beast::error_code ignored;
        beast::get_lowest_layer(ws).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(ws).socket().close(ignored);
    }

    void End() {
        if (gone) return;
        gone = true;
        queue.clear();
        queued = 0;
        --state.connections;
        auto keep = shared_from_this();
        state.sockets.erase(id);
        state.events.closed(id);
    }
};

void NetServer::State::Accept() {
    acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted) return;
        if (!error) {
            if (connections >= limits.mostConnections) {
                beast::error_code ignored;
                socket.close(ignored);
            } else {
                ++connections;
                // Updates are small and each is awaited: none may wait for the next.
                beast::error_code ignored;
                socket.set_option(tcp::no_delay(true), ignored);
                ServeHttp(std::move(socket));
            }
        }
        Accept();
    });
}

namespace {

// One HTTP connection: requests one after another, each read within the header timeout,
// until it closes, fails, upgrades or has served its share.
struct HttpConnection : std::enable_shared_from_this<HttpConnection> {
    using State = NetServer::State;
    HttpConnection(State& s, tcp::socket socket) : state(s), stream(std::move(socket)) {}
    ~HttpConnection() {
        if (!upgraded) --state.connections;
    }

    State& state;
    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
    int served = 0;
    bool upgraded = false;

    void Read() {
        parser.emplace();
        parser->header_limit(kLargestHeader);
        parser->body_limit(state.limits.largestBody);
        stream.expires_after(state.limits.headerTimeout);
        http::async_read(stream, buffer, *parser, [self = shared_from_this()](beast::error_code error, size_t) {
            if (error) return self->Close();
            self->Handle(self->parser->release());
        });
    }

    void Close() {
        beast::error_code ignored;
        stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream.close();
    }

    template <class Body>
    void Reply(std::shared_ptr<http::response<Body>> reply, bool keepAlive) {
        reply->keep_alive(keepAlive);
        reply->prepare_payload();
        stream.expires_after(state.limits.headerTimeout);
        http::async_write(stream, *reply, [self = shared_from_this(), reply, keepAlive](beast::error_code error, size_t) {
            if (error || !keepAlive) return self->Close();
            self->Read();
        });
    }

    // Says what to open instead: a person who followed an old link or a bookmark lands here.
    void Forbidden(unsigned version) {
        auto reply = std::make_shared<http::response<http::string_body>>(http::status::forbidden, version);
        if (const Asset* page = state.events.asset("/forbidden.html")) {
            reply->set(http::field::content_type, std::string(page->contentType));
            reply->body().assign(reinterpret_cast<const char*>(page->data), page->size);
        }
        Harden(*reply);
        Reply(reply, false);
    }

    void Handle(http::request<http::string_body> request) {
        ++served;
        const std::string_view target(request.target().data(), request.target().size());
        const auto mark = target.find('?');
        const auto field = [&](http::field f) {
            const auto value = request[f];
            return std::string_view(value.data(), value.size());
        };
        const bool upgrade = websocket::is_upgrade(request);
        const bool reading = request.method() == http::verb::get || request.method() == http::verb::head;
        RequestFacts facts{field(http::field::host), std::nullopt,
                           mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1),
                           field(http::field::cookie), upgrade || !reading};
        if (request.find(http::field::origin) != request.end()) facts.origin = field(http::field::origin);
        const Verdict verdict = Admit(state.gate, facts);
        if (!verdict.allowed) return Forbidden(request.version());

        const std::string path(target.substr(0, mark));
        if (upgrade) {
            if (path != "/ws") return Forbidden(request.version());
            upgraded = true;  // the connection counts on as the page's socket
            stream.expires_never();
            return state.Upgrade(std::move(stream), std::move(request));
        }

        const bool keepAlive = request.keep_alive() && served < kRequestsPerConnection;
        const Asset* asset = reading ? state.events.asset(path == "/" ? "/index.html" : path) : nullptr;
        if (asset != nullptr) {
            auto reply = std::make_shared<http::response<http::string_body>>(http::status::ok, request.version());
            reply->set(http::field::content_type, std::string(asset->contentType));
            if (verdict.tokenInQuery) reply->set(http::field::set_cookie, state.gate.SetCookie());
            Harden(*reply);
            if (request.method() == http::verb::get) reply->body().assign(reinterpret_cast<const char*>(asset->data), asset->size);
            return Reply(reply, keepAlive);
        }
        HttpRequest mine{std::string(request.method_string()), path,
                         std::string(mark == std::string_view::npos ? "" : target.substr(mark + 1)),
                         std::move(request.body())};
        const HttpReply answer = state.events.http(mine);
        auto reply = std::make_shared<http::response<http::string_body>>(static_cast<http::status>(answer.status),
                                                                         request.version());
        reply->set(http::field::content_type, answer.contentType);
        if (!answer.disposition.empty()) reply->set(http::field::content_disposition, answer.disposition);
        if (verdict.tokenInQuery) reply->set(http::field::set_cookie, state.gate.SetCookie());
        Harden(*reply);
        reply->body() = answer.body;
        Reply(reply, keepAlive);
    }
};

}  // namespace

void NetServer::State::ServeHttp(tcp::socket socket) {
    std::make_shared<HttpConnection>(*this, std::move(socket))->Read();
}

void NetServer::State::Upgrade(beast::tcp_stream stream, http::request<http::string_body> request) {
    const ConnectionId id = nextId++;
    auto socket = std::make_shared<Socket>(*this, id, std::move(stream));
    sockets.emplace(id, socket);
    socket->Start(std::move(request));
}

void NetServer::State::WatchStalls() {
    stallTimer.expires_after(std::chrono::seconds(1));
    stallTimer.async_wait([this](beast::error_code error) {
        if (error) return;
        const auto now = Clock::now();
        std::vector<std::shared_ptr<Socket>> stalled;
        for (auto& [id, socket] : sockets)
            if (socket->writing && now - socket->writeStarted > limits.stalledWrite) stalled.push_back(socket);
        for (auto& socket : stalled) socket->Drop();
        WatchStalls();
    });
}

NetServer::NetServer(const Endpoint& listen, Gate gate, NetLimits limits, NetEvents events)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.gate = std::move(gate);
    s.limits = limits;
    s.events = std::move(events);
    beast::error_code error;
    const auto address = asio::ip::make_address(listen.address, error);
    if (error) throw std::runtime_error("bad listen address " + listen.address);
    const tcp::endpoint where(address, listen.port);
    s.acceptor.open(where.protocol(), error);
    if (!error) s.acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) s.acceptor.bind(where, error);
    if (!error) s.acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) throw std::runtime_error("cannot listen on " + HostText(listen) + ": " + error.message());
    s.gate.listen = {listen.address, s.acceptor.local_endpoint().port()};
    s.signals.async_wait([this](beast::error_code, int) { Stop(); });
    s.Accept();
    s.WatchStalls();
}

NetServer::~NetServer() = default;

uint16_t NetServer::Port() const { return state_->gate.listen.port; }

void NetServer::Run() { state_->io.run(); }

void NetServer::Stop() { state_->io.stop(); }

bool NetServer::Send(ConnectionId id, std::string text) {
    const auto found = state_->sockets.find(id);
    return found != state_->sockets.end() && found->second->Send(std::move(text));
}

bool NetServer::Idle(ConnectionId id) const {
    const auto found = state_->sockets.find(id);
    return found != state_->sockets.end() && !found->second->closing && found->second->queue.empty();
}

void NetServer::Close(ConnectionId id) {
    const auto found = state_->sockets.find(id);
    if (found != state_->sockets.end()) found->second->Drop();
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
