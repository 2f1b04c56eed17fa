// The web host's page at its smallest: opens the address the server printed (http or https,
// token in its query), watches device 1, opens a dialog and clicks one of its controls as the
// page would, then prints each register the server says changed ("reg 0x02 = 0x40") and ends.
// A self-signed certificate is taken: its fingerprint is checked apart.
//
//   qm7140-ws-click URL DIALOG CONTROL      (DIALOG: 0 Digital Control, 1 Limiter, 2 Boost)
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
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

template <class Socket>
int Click(Socket& ws, const Url& url, int dialog, const std::string& name) {
    ws.set_option(websocket::stream_base::decorator([&](websocket::request_type& request) {
        request.set(beast::http::field::origin, (url.tls ? "https://" : "http://") + url.host + ":" + url.port);
    }));
    ws.handshake(url.host + ":" + url.port, "/ws" + url.query);
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
            websocket::stream<tcp::socket> ws(io);
            asio::connect(ws.next_layer(), endpoints);
            return Click(ws, url, std::stoi(argv[2]), argv[3]);
        }
        asio::ssl::context context(asio::ssl::context::tls_client);
        websocket::stream<asio::ssl::stream<tcp::socket>> ws(io, context);
        asio::connect(beast::get_lowest_layer(ws), endpoints);
        ws.next_layer().handshake(asio::ssl::stream_base::client);
        return Click(ws, url, std::stoi(argv[2]), argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "qm7140-ws-click: " << e.what() << '\n';
        return 1;
    }
}
