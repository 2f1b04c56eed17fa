#include "host/terminal/files.h"

#include "host/terminal/parse.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

namespace host {

namespace {

[[noreturn]] void Fail(const char* what, std::string_view path, int error) {
    throw CommandError(std::string(what) + " " + Shown(path) + ": " + std::strerror(error));
}

}  // namespace

std::ifstream OpenInput(const std::string& path) {
    std::error_code ignored;
    // A directory opens, then reads as nothing at all: say so instead.
    if (std::filesystem::is_directory(path, ignored)) Fail("cannot read", path, EISDIR);
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read", path, errno != 0 ? errno : ENOENT);
    return in;
}

std::string ReadBounded(const std::string& path, size_t limit) {
    std::ifstream in = OpenInput(path);
    std::string content(limit + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad()) Fail("cannot read", path, errno != 0 ? errno : EIO);
    content.resize(static_cast<size_t>(in.gcount()));
    if (content.size() > limit)
        throw CommandError("cannot read " + Shown(path) + ": larger than " + std::to_string(limit) + " bytes");
    return content;
}

void WriteReplacing(const std::string& path, std::string_view content) {
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) Fail("cannot write", path, errno);
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        Fail("cannot write", path, !written ? writeError : closeError);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        Fail("cannot write", path, error);
    }
}

}  // namespace host
