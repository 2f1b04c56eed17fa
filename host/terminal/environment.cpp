#include "host/terminal/environment.h"

#include "host/common/text/parse.h"

#include <cstdlib>
#include <optional>

namespace host {

namespace {

bool NameStart(char c) { return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool NamePart(char c) { return NameStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

std::string ExpandEnvironment(std::string_view word) {
    std::string out;
    for (size_t i = 0; i < word.size();) {
        const bool braced = word.substr(i).starts_with("${");
        const size_t start = i + (braced ? 2 : 1);
        if (word[i] != '$' || start >= word.size() || !NameStart(word[start])) {
            out += word[i++];
            continue;
        }
        size_t end = start;
        while (end < word.size() && NamePart(word[end])) ++end;
        const std::string name(word.substr(start, end - start));
        std::optional<std::string_view> fallback;
        if (braced) {
            const size_t close = word.find('}', end);
            if (close == std::string_view::npos) throw CommandError("no } after ${ in " + Quoted(word));
            const std::string_view rest = word.substr(end, close - end);
            if (rest.starts_with(":-"))
                fallback = rest.substr(2);
            else if (!rest.empty())
                throw CommandError("${" + name + std::string(rest) + "}: only ${NAME} and ${NAME:-DEFAULT} are known");
            end = close + 1;
        }
        const char* value = std::getenv(name.c_str());
        if (fallback && (value == nullptr || *value == '\0'))
            out += *fallback;
        else if (value != nullptr)
            out += value;
        else
            throw CommandError("$" + name + " is not set (${" + name + ":-DEFAULT} gives a default)");
        i = end;
    }
    return out;
}

}  // namespace host
