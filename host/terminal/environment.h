// Environment variables in the words that name files, written as a shell writes them, so that
// a script can say where it writes: ${TMPDIR:-/tmp}/curve.png.
#pragma once

#include <string>
#include <string_view>

namespace host {

// $NAME, ${NAME} and ${NAME:-DEFAULT} (DEFAULT also when NAME is empty) replaced by their
// values; any other "$" stays. CommandError for a variable that is not set and has no
// default, and for a "${" left open.
std::string ExpandEnvironment(std::string_view word);

}  // namespace host
