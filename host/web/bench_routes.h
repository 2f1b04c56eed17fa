// The bench's requests: a state applied to the chip, a comparison, the presets.
//   POST /apply?dev=D            the body, a state file, applied to the chip
//   GET  /compare?dev=D&a=S[&b=S]  S: chip, device:N (1 to 16) or preset:NAME; b: this chip
//   POST /compare?dev=D[&b=S]    the body, a state file, as A
//   GET  /presets?dev=D          the shelf's names, as JSON
//   POST /preset?dev=D&do=save|apply|delete&name=NAME[&force=1]
#pragma once

#include "host/web/routes.h"

#include <optional>

namespace web {

// Nothing when the path is not the bench's.
std::optional<HttpReply> BenchRoute(const Routes& routes, const HttpRequest& request, int device);

// A query value's %XX and '+' decoded; nothing when an escape is broken.
std::optional<std::string> Decoded(std::string_view text);

}  // namespace web
