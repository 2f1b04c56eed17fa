#include "host/web/security.h"

#include "host/common/text/parse.h"

#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <stdexcept>

namespace web {

namespace {

using host::EqualsIgnoreCase;

bool IsDottedQuad(std::string_view text) {
    int parts = 0;
    while (!text.empty()) {
        const auto dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || part.size() > 3 || error != std::errc() || end != part.data() + part.size() || value > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
        if (text.empty()) return false;
    }
    return parts == 4;
}

bool IsV6(std::string_view text) {
    return !text.empty() && text.find(':') != std::string_view::npos &&
           text.find_first_not_of("0123456789abcdefABCDEF:.") == std::string_view::npos;
}

bool IsWildcard(std::string_view address) { return address == "0.0.0.0" || address == "::"; }

// "host:port" split at the last colon outside brackets.
std::optional<std::pair<std::string_view, std::string_view>> SplitHostPort(std::string_view text) {
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
        return std::pair{text.substr(1, close - 1), text.substr(close + 2)};
    }
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || text.find(':') != colon) return std::nullopt;
    return std::pair{text.substr(0, colon), text.substr(colon + 1)};
}

std::optional<uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 65535) return std::nullopt;
    return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<Endpoint> ParseEndpoint(std::string_view text) {
    const auto parts = SplitHostPort(text);
    if (!parts) return std::nullopt;
    const auto port = ParsePort(parts->second);
    const bool bracketed = text.starts_with('[');
    if (!port || (bracketed ? !IsV6(parts->first) : !IsDottedQuad(parts->first))) return std::nullopt;
    return Endpoint{std::string(parts->first), *port};
}

bool IsLoopback(std::string_view address) { return address.starts_with("127.") || address == "::1"; }

std::string HostText(const Endpoint& endpoint) {
    const bool v6 = endpoint.address.find(':') != std::string::npos;
    return (v6 ? "[" + endpoint.address + "]" : endpoint.address) + ":" + std::to_string(endpoint.port);
}

std::string MakeToken() {
    std::array<unsigned char, 32> bytes{};
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("no random source for the access token");
        }
        filled += static_cast<size_t>(got);
    }
    std::string token;
    for (const unsigned char b : bytes) {
        token += "0123456789abcdef"[b >> 4];
        token += "0123456789abcdef"[b & 15];
    }
    return token;
}

bool SameSecret(std::string_view a, std::string_view b) {
    // The length is no secret (every token has 64 digits); the content is.
    if (a.size() != b.size()) return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < a.size(); ++i) differ = static_cast<unsigned char>(differ | (a[i] ^ b[i]));
    return differ == 0;
}

// Under TLS the prefix makes browsers refuse the cookie from anything but this secure origin,
// so another site on this host name cannot set one in its place.
std::string Gate::CookieName() const {
    return (secure ? "__Host-qm7140-" : "qm7140_") + std::to_string(listen.port);
}

std::string Gate::SetCookie(std::string_view session) const {
    return CookieName() + "=" + std::string(session) + "; Path=/; HttpOnly; SameSite=Strict" + (secure ? "; Secure" : "");
}

bool HostAllowed(const Gate& gate, std::string_view host) {
    const auto parts = SplitHostPort(host);
    if (!parts || ParsePort(parts->second) != gate.listen.port) return false;
    const std::string_view name = parts->first;
    if (IsWildcard(gate.listen.address)) {
        // Any address of this machine, but only as a number: a name could be rebound to it.
        return host.starts_with('[') ? IsV6(name) : IsDottedQuad(name);
    }
    if (EqualsIgnoreCase(name, gate.listen.address)) return true;
    if (!IsLoopback(gate.listen.address)) return false;
    return name == "127.0.0.1" || name == "::1" || EqualsIgnoreCase(name, "localhost");
}

std::optional<std::string_view> QueryValue(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == name) return pair.substr(eq + 1);
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

bool CookieHolds(std::string_view header, std::string_view name, std::string_view secret) {
    bool held = false;
    while (!header.empty()) {
        const auto semi = header.find(';');
        std::string_view pair = header.substr(0, semi);
        while (pair.starts_with(' ')) pair.remove_prefix(1);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos && pair.substr(0, eq) == name && SameSecret(pair.substr(eq + 1), secret)) held = true;
        if (semi == std::string_view::npos) break;
        header.remove_prefix(semi + 1);
    }
    return held;
}

Verdict Admit(const Gate& gate, const RequestFacts& request) {
    if (!HostAllowed(gate, request.host)) return {};
    if (request.origin) {
        // The page's own origin: the scheme and the Host it was loaded from.
        if (*request.origin != (gate.secure ? "https://" : "http://") + std::string(request.host)) return {};
    } else if (request.needsOrigin) {
        return {};
    }
    // What the browser says of the request's maker, where it says it: the page itself, or a
    // person who typed or bookmarked the address; never another site, not even this host's.
    if (request.fetchSite && *request.fetchSite != "same-origin" && *request.fetchSite != "none") return {};
    for (const std::string& session : gate.sessions)
        if (CookieHolds(request.cookie, gate.CookieName(), session)) return {true, false, session};
    if (const auto fromQuery = QueryValue(request.query, "token");
        fromQuery && !gate.token.empty() && SameSecret(*fromQuery, gate.token))
        return {true, true, {}};
    return {};
}

}  // namespace web
