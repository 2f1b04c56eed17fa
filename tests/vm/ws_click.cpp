// The web host's page at its smallest: opens the address the server printed (http or https,
// token in its query) as a browser does, which trades the token for a session cookie, then
// with that cookie watches device 1, opens a dialog and clicks one of its controls as the
// page would, then prints each register the server says changed ("reg 0x02 = 0x40") and ends.
// A self-signed certificate is taken: its fingerprint is checked apart.
//
//   qm7140-ws-click URL DIALOG CONTROL      (DIALOG: 0 Digital Control, 1 Limiter, 2 Boost)
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <regex>
#include <string>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Json = nlohmann::json;

struct Url {
    bool tls;
    std::string host, port, query;
};

bool Parse(const std::string& text, Url& url) {
    static const std::regex shape(R"(^(https?)://([^/:]+):([0-9]+)/(\?.*)$)");
    std::smatch parts;
    if (!std::regex_match(text, parts, shape)) return false;
    url = {parts[1] == "https", parts[2], parts[3], parts[4]};
    return true;
}

// Messages until one satisfies `done`; each is a JSON object.
template <class Socket, class Done>
Json ReadUntil(Socket& ws, Done done) {
    for (int count = 0; count < 100; ++count) {
        beast::flat_buffer buffer;
        ws.read(buffer);
        Json message = Json::parse(beast::buffers_to_string(buffer.data()));
        if (done(message)) return message;
    }
    throw std::runtime_error("the server never said it");
}

// The page's own GET: its answer sets the session's cookie ("name=value").
template <class Stream>
std::string SignIn(Stream& stream, const Url& url) {
    namespace http = beast::http;
    http::request<http::empty_body> request{http::verb::get, "/" + url.query, 11};
    request.set(http::field::host, url.host + ":" + url.port);
    request.set("Sec-Fetch-Site", "none");
    http::write(stream, request);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response);
    const std::string cookie(response[http::field::set_cookie]);
    if (response.result() != http::status::ok || cookie.empty())
        throw std::runtime_error("the address opened no session: " + std::to_string(response.result_int()));
    return cookie.substr(0, cookie.find(';'));
}

template <class Socket>
int Click(Socket& ws, const Url& url, const std::string& cookie, int dialog, const std::string& name) {
    ws.set_option(websocket::stream_base::decorator([&](websocket::request_type& request) {
        request.set(beast::http::field::origin, (url.tls ? "https://" : "http://") + url.host + ":" + url.port);
        request.set(beast::http::field::cookie, cookie);
    }));
    ws.handshake(url.host + ":" + url.port, "/ws");
    ReadUntil(ws, [](const Json& m) { return m.value("t", "") == "hello"; });
    ws.write(asio::buffer(Json{{"t", "sub"}, {"dev", 0}}.dump()));
    int control = -1;
    ReadUntil(ws, [&](const Json& m) {
        for (const Json& c : m.value("controls", Json::array()))
            if (c.value("dlg", -1) == dialog && c.value("name", "") == name) control = c.at("c").get<int>();
        return m.contains("controls");
    });
    if (control < 0) throw std::runtime_error("no control " + name + " in dialog " + std::to_string(dialog));
    ws.write(asio::buffer(Json{{"t", "menu"}, {"dlg", dialog}}.dump()));
    ws.write(asio::buffer(Json{{"t", "click"}, {"dlg", dialog}, {"c", control}}.dump()));
    const Json changed = ReadUntil(ws, [](const Json& m) { return m.contains("regd") || m.contains("errors") || m.contains("alerts"); });
    for (const char* failed : {"errors", "alerts"})
        if (changed.contains(failed)) throw std::runtime_error(changed[failed].dump());
    for (const Json& pair : changed["regd"]) std::printf("reg 0x%02X = 0x%02X\n", pair[0].get<int>(), pair[1].get<int>());
    ws.close(websocket::close_code::normal);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Url url;
    if (argc != 4 || !Parse(argv[1], url)) {
        std::cerr << "usage: qm7140-ws-click URL DIALOG CONTROL\n";
        return 2;
    }
    try {
        asio::io_context io;
        const auto endpoints = tcp::resolver(io).resolve(url.host, url.port);
        if (!url.tls) {
            tcp::socket page(io);
            asio::connect(page, endpoints);
            const std::string cookie = SignIn(page, url);
            websocket::stream<tcp::socket> ws(io);
            asio::connect(ws.next_layer(), endpoints);
            return Click(ws, url, cookie, std::stoi(argv[2]), argv[3]);
        }
        asio::ssl::context context(asio::ssl::context::tls_client);
        asio::ssl::stream<tcp::socket> page(io, context);
        asio::connect(beast::get_lowest_layer(page), endpoints);
        page.handshake(asio::ssl::stream_base::client);
        const std::string cookie = SignIn(page, url);
        websocket::stream<asio::ssl::stream<tcp::socket>> ws(io, context);
        asio::connect(beast::get_lowest_layer(ws), endpoints);
        ws.next_layer().handshake(asio::ssl::stream_base::client);
        return Click(ws, url, cookie, std::stoi(argv[2]), argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "qm7140-ws-click: " << e.what() << '\n';
        return 1;
    }
}
