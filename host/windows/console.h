// What the host says before it has a window (--help, --version, a bad command line, a module
// that cannot be used) goes where it was started from: its standard output or error when it
// has them (a pipe, a file, a console), else the console of the process that started it, and
// only when there is none a message box. A script is never left waiting on a box no one sees.
#pragma once

#include <string>

namespace winhost {

enum class Stream { Output, Error };

// Says `text` (an error's with "error: " before it, but in a box) and gives `status`, or 1
// when the text could not be written whole.
int Say(const std::wstring& text, Stream stream, int status);

}  // namespace winhost
