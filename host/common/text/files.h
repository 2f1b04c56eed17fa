// The hosts' files: scripts and state files read with their size bounded, state files
// replaced whole or not at all, and every failure said with the system's reason. Paths are
// std::filesystem::path so that Windows paths stay UTF-16 all the way to the system.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace host {

// A state file holds 256 short lines; anything much larger is not one.
constexpr size_t kLargestStateFile = 64 * 1024;

// The path as UTF-8, for messages.
std::string PathText(const std::filesystem::path& path);

// Open for reading; CommandError "cannot read PATH: Is a directory" and the like.
std::ifstream OpenInput(const std::filesystem::path& path);
// The whole of a file of at most `limit` bytes; CommandError when it is larger or unreadable.
std::string ReadBounded(const std::filesystem::path& path, size_t limit);
// Who may read a file written: the system's default, or its owner alone (a private key;
// Windows keeps its default).
enum class FileAccess { Default, OwnerOnly };

// Writes a temporary file beside `path` and renames it over `path`: a failure leaves the
// old file as it was.
void WriteReplacing(const std::filesystem::path& path, std::string_view content, FileAccess access = FileAccess::Default);

}  // namespace host
