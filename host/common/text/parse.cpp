#include "host/common/text/parse.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

namespace host {

std::vector<std::string> Tokenize(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (true) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') break;
        std::string word;
        while (i < line.size() && !blank(line[i])) {
            if (line[i] == '"') {
                const size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) throw CommandError("a quote is not closed");
                word.append(line.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::optional<uint64_t> ParseUnsigned(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    // from_chars takes a sign; a number here has none.
    if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int64_t> ParseSigned(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    const auto magnitude = ParseUnsigned(text);
    if (!magnitude || *magnitude > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
    const auto value = static_cast<int64_t>(*magnitude);
    return negative ? -value : value;
}

uint8_t ParseByte(std::string_view text, std::string_view what) {
    const auto value = ParseUnsigned(text);
    if (!value) throw CommandError(std::string(what) + " " + Quoted(text) + " is not a number");
    if (*value > 255) throw CommandError(std::string(what) + " " + std::string(text) + " is above 255");
    return static_cast<uint8_t>(*value);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string Quoted(std::string_view text) { return "\"" + Shown(text) + "\""; }

std::string Escaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            escaped += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", byte);
        escaped += code;
    }
    return escaped;
}

std::string Shown(std::string_view text) {
    constexpr size_t kShown = 60, kHead = 40, kTail = 16;
    if (text.size() <= kShown) return Escaped(text);
    return Escaped(text.substr(0, kHead)) + "..." + Escaped(text.substr(text.size() - kTail));
}

LineEnd ReadLine(std::istream& in, std::string& line) {
    line.clear();
    std::streambuf& buffer = *in.rdbuf();
    for (;;) {
        const int c = buffer.sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return LineEnd::EndOfInput;
        }
        if (c == '\n') return LineEnd::Newline;
        if (line.size() == kLongestLine) return LineEnd::TooLong;
        line += static_cast<char>(c);
    }
}

void ForEachLine(std::istream& in, std::string_view source, const std::function<void(const std::string& line, int number)>& each) {
    std::string line;
    for (int number = 1;; ++number) {
        const LineEnd end = ReadLine(in, line);
        if (end == LineEnd::EndOfInput && line.empty()) return;
        try {
            if (end == LineEnd::TooLong) throw CommandError("a line longer than " + std::to_string(kLongestLine) + " bytes");
            each(line, number);
        } catch (const CommandError& e) {
            throw CommandError(Shown(source) + ":" + std::to_string(number) + ": " + e.what());
        }
    }
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

}  // namespace host
