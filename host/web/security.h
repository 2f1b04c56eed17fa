// Who may talk to the web host. It drives a device, so every request is refused unless it
// carries the printed address's token (once: it is exchanged for a session's cookie) or a
// session's cookie, and names the server as it listens (Host), from the server's own page
// (Origin, Sec-Fetch-Site): another site in the same browser, and a name rebound to this
// machine, get nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace web {

struct Endpoint {
    std::string address;  // "127.0.0.1", "::1", "192.168.1.20"
    uint16_t port = 0;
};

// "ADDR:PORT" or "[V6]:PORT"; nullopt for anything else (names included: the host listens
// where it is told, not where a resolver says).
std::optional<Endpoint> ParseEndpoint(std::string_view text);
bool IsLoopback(std::string_view address);
// "127.0.0.1:7140", "[::1]:7140".
std::string HostText(const Endpoint& endpoint);

// 256 bits from the system's random source, as 64 hex digits. Throws when there is none.
std::string MakeToken();
// Compares in a time that does not depend on where the texts differ.
bool SameSecret(std::string_view a, std::string_view b);

struct Gate {
    Endpoint listen;  // its port as bound
    std::string token;  // of the address printed last, until its first use; then empty
    bool secure = false;  // served over TLS: the page's origin is https, the cookie Secure
    // One secret per token used, each a browser's session for the rest of the run.
    std::vector<std::string> sessions;

    // The cookie that carries a session; named for the port, as browsers share cookies
    // across a host's ports, and __Host- prefixed under TLS.
    std::string CookieName() const;
    std::string SetCookie(std::string_view session) const;
};

struct RequestFacts {
    std::string_view host;    // the Host header
    std::optional<std::string_view> origin;
    std::string_view query;   // after '?'
    std::string_view cookie;  // the Cookie header, all of it
    bool needsOrigin = false;  // a WebSocket upgrade or a request that changes something
    std::optional<std::string_view> fetchSite;  // Sec-Fetch-Site, when sent
};

struct Verdict {
    bool allowed = false;
    bool tokenInQuery = false;  // the token's first use: a new session, its cookie in the reply
    std::string session;        // the session whose cookie it showed
};

Verdict Admit(const Gate& gate, const RequestFacts& request);

// Pieces of the above, for the gate and its tests.
bool HostAllowed(const Gate& gate, std::string_view host);
std::optional<std::string_view> QueryValue(std::string_view query, std::string_view name);
// Whether any cookie of that name holds the secret: a browser sends every cookie of a name
// that paths or other sites set, in an order of its own.
bool CookieHolds(std::string_view header, std::string_view name, std::string_view secret);

// A file of the page, built into the program.
struct Asset {
    std::string_view path;
    std::string_view contentType;
    const unsigned char* data;
    size_t size;
};

}  // namespace web
