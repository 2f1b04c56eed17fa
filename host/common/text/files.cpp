#include "host/common/text/files.h"

#include "host/common/text/parse.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace host {

namespace {

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path, int error) {
    throw CommandError(std::string(what) + " " + Shown(PathText(path)) + ": " + std::strerror(error));
}

#ifdef _WIN32
std::FILE* OpenForWriting(const std::filesystem::path& path, FileAccess) { return _wfopen(path.c_str(), L"wb"); }

// The C library's rename refuses an existing target on Windows.
int ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }
#else
// Never through a link planted at the temporary's name.
std::FILE* OpenForWriting(const std::filesystem::path& path, FileAccess access) {
    const mode_t mode = access == FileAccess::OwnerOnly ? 0600 : 0666;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) return nullptr;
    // A temporary an earlier run left keeps its mode through O_TRUNC.
    std::FILE* file = access == FileAccess::Default || ::fchmod(fd, mode) == 0 ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

int ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }
#endif

}  // namespace

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::ifstream OpenInput(const std::filesystem::path& path) {
    std::error_code ignored;
    // A directory opens, then reads as nothing at all: say so instead.
    if (std::filesystem::is_directory(path, ignored)) Fail("cannot read", path, EISDIR);
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read", path, errno != 0 ? errno : ENOENT);
    return in;
}

std::string ReadBounded(const std::filesystem::path& path, size_t limit) {
    std::ifstream in = OpenInput(path);
    std::string content(limit + 1, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad()) Fail("cannot read", path, errno != 0 ? errno : EIO);
    content.resize(static_cast<size_t>(in.gcount()));
    if (content.size() > limit)
        throw CommandError("cannot read " + Shown(PathText(path)) + ": larger than " + std::to_string(limit) + " bytes");
    return content;
}

void WriteReplacing(const std::filesystem::path& path, std::string_view content, FileAccess access) {
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(ProcessId());
    std::FILE* file = OpenForWriting(temporary, access);
    if (file == nullptr) Fail("cannot write", path, errno);
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    std::error_code ignored;
    if (!written || !closed) {
        std::filesystem::remove(temporary, ignored);
        Fail("cannot write", path, !written ? writeError : closeError);
    }
    if (const int error = ReplaceFile(temporary, path); error != 0) {
        std::filesystem::remove(temporary, ignored);
        Fail("cannot write", path, error);
    }
}

}  // namespace host
