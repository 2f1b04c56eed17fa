// The bare page's server for ./run web-bench: the least a server of such a page must do. It
// serves files from the folders given and answers each WebSocket message with the next of
// the recorded replies (one a line, in turn), so the bare page gets messages of the web
// host's size without any of its work. Listens on 127.0.0.1 and prints its address.
// Run: qm7140-bare-echo REPLIES_FILE FOLDER...
#include <utility>  // before asio: GCC 12 in C++20 needs it there

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

std::vector<std::string> replies;
std::vector<std::filesystem::path> folders;

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Echo(websocket::stream<tcp::socket>& ws) {
    beast::flat_buffer buffer;
    ws.text(true);
    for (size_t next = 0;; ++next) {
        ws.read(buffer);
        buffer.consume(buffer.size());
        ws.write(asio::buffer(replies[next % replies.size()]));
    }
}

void Serve(tcp::socket socket) {
    beast::error_code error;
    socket.set_option(tcp::no_delay(true), error);
    beast::flat_buffer buffer;
    http::request<http::string_body> request;
    http::read(socket, buffer, request, error);
    if (error) return;
    if (websocket::is_upgrade(request)) {
        websocket::stream<tcp::socket> ws(std::move(socket));
        ws.accept(request, error);
        if (!error) Echo(ws);
        return;
    }
    std::string name(request.target());
    name = name.substr(0, name.find('?'));
    if (name == "/") name = "/index.html";
    http::response<http::string_body> reply(http::status::not_found, request.version());
    if (name.find("..") == std::string::npos)
        for (const auto& folder : folders)
            if (std::filesystem::is_regular_file(folder / name.substr(1))) {
                reply.result(http::status::ok);
                reply.body() = Read(folder / name.substr(1));
                break;
            }
    reply.set(http::field::content_type, name.ends_with(".js") ? "text/javascript" : "text/html");
    reply.keep_alive(false);
    reply.prepare_payload();
    http::write(socket, reply, error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: qm7140-bare-echo REPLIES_FILE FOLDER...\n";
        return 2;
    }
    std::istringstream lines(Read(argv[1]));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) replies.push_back(line);
    if (replies.empty()) {
        std::cerr << "error: no replies in " << argv[1] << '\n';
        return 1;
    }
    for (int i = 2; i < argc; ++i) folders.emplace_back(argv[i]);
    asio::io_context io;
    tcp::acceptor acceptor(io, {asio::ip::make_address("127.0.0.1"), 0});
    std::cout << "http://127.0.0.1:" << acceptor.local_endpoint().port() << "/" << std::endl;
    for (;;) {
        tcp::socket socket = acceptor.accept();
        std::thread([s = std::move(socket)]() mutable {
            try {
                Serve(std::move(s));
            } catch (const std::exception&) {
                // the page went away
            }
        }).detach();
    }
}
