#include "host/common/text/register_script.h"

#include "host/common/text/files.h"
#include "host/common/text/parse.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <string>

namespace host {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t\r", at);
        if (at == std::string_view::npos || line[at] == '#') break;
        const size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

unsigned HexNumber(std::string_view text, std::string_view what, unsigned most) {
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.remove_prefix(2);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || ec == std::errc::invalid_argument || end != digits.data() + digits.size())
        throw CommandError(std::string(what) + " " + Quoted(text) + " is not a hex number");
    if (ec == std::errc::result_out_of_range || value > most)
        throw CommandError(std::string(what) + " " + Shown(text) + " is above " + Hex(most));
    return value;
}

void CheckAddress(std::string_view word, uint8_t address) {
    if (HexNumber(word, "address", 0xFF) != address)
        throw CommandError("address " + Shown(word) + " is not this chip's (" + Hex(address) + ")");
}

ScriptStep ParseLine(const std::vector<std::string_view>& words, int line, uint8_t address) {
    const std::string_view command = words[0];
    if (command == "w") {
        if (words.size() < 4) throw CommandError("expected w ADDRESS REGISTER VALUE...");
        CheckAddress(words[1], address);
        ScriptStep step{ScriptStep::Kind::Write, line, static_cast<uint8_t>(HexNumber(words[2], "register", 0xFF))};
        for (size_t i = 3; i < words.size(); ++i) step.values.push_back(static_cast<uint8_t>(HexNumber(words[i], "value", 0xFF)));
        if (step.reg + step.values.size() > 256) throw CommandError("the values run past register 0xFF");
        return step;
    }
    if (command == "r") {
        if (words.size() != 4) throw CommandError("expected r ADDRESS REGISTER COUNT");
        CheckAddress(words[1], address);
        ScriptStep step{ScriptStep::Kind::Read, line, static_cast<uint8_t>(HexNumber(words[2], "register", 0xFF))};
        step.count = HexNumber(words[3], "count", 0x100);
        if (step.count == 0) throw CommandError("count 0 reads nothing");
        if (step.reg + step.count > 256) throw CommandError("the count runs past register 0xFF");
        return step;
    }
    if (command == "d") {
        if (words.size() != 2) throw CommandError("expected d MILLISECONDS");
        const auto ms = ParseUnsigned(words[1]);
        if (!ms || words[1].starts_with("0x") || words[1].starts_with("0X"))
            throw CommandError("delay " + Quoted(words[1]) + " is not a number of milliseconds");
        if (*ms > static_cast<uint64_t>(kLongestScriptDelay.count()))
            throw CommandError("delay " + Shown(words[1]) + " ms is longer than " + std::to_string(kLongestScriptDelay.count()) + " ms");
        ScriptStep step{ScriptStep::Kind::Delay, line};
        step.count = static_cast<unsigned>(*ms);
        return step;
    }
    throw CommandError("unknown command " + Quoted(command) + " (w, d or r)");
}

}  // namespace

std::vector<ScriptStep> ParseScript(std::string_view text, std::string_view source, uint8_t address) {
    if (text.size() > kLargestScript) throw CommandError(Shown(source) + ": larger than " + std::to_string(kLargestScript) + " bytes");
    std::istringstream in{std::string(text)};
    std::vector<ScriptStep> steps;
    uint64_t delay = 0;
    ForEachLine(in, source, [&](const std::string& line, int number) {
        const auto words = Words(line);
        if (words.empty()) return;
        steps.push_back(ParseLine(words, number, address));
        if (steps.back().kind == ScriptStep::Kind::Delay) delay += steps.back().count;
        if (delay > static_cast<uint64_t>(kLongestScriptDelay.count()))
            throw CommandError("the delays add up to more than " + std::to_string(kLongestScriptDelay.count()) + " ms");
    });
    return steps;
}

std::vector<ScriptStep> ReadScript(const std::filesystem::path& path, uint8_t address) {
    return ParseScript(ReadBounded(path, kLargestScript), PathText(path), address);
}

}  // namespace host
