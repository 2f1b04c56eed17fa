// The page's files, built into the program from host/web/page (page_assets.cpp is generated).
#pragma once

#include "host/web/security.h"

#include <string_view>

namespace web {

// The file at `path` ("/app.js"), or null.
const Asset* FindAsset(std::string_view path);

}  // namespace web
