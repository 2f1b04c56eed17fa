# Writes OUT, a C++ file holding every file of PAGE as a byte array and a FindAsset over
# them. Run: cmake -DPAGE=<folder> -DOUT=<file.cpp> -P embed.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB files RELATIVE ${PAGE} ${PAGE}/*)
list(SORT files)
set(arrays "")
set(rows "")
set(index 0)
foreach(name ${files})
  if(name MATCHES "\\.html$")
    set(type "text/html; charset=utf-8")
  elseif(name MATCHES "\\.js$")
    set(type "text/javascript; charset=utf-8")
  elseif(name MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  elseif(name MATCHES "\\.svg$")
    set(type "image/svg+xml")
  else()
    continue()
  endif()
  file(READ ${PAGE}/${name} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char k${index}[] = {${bytes}0};\n")
  string(APPEND rows "    {\"/${name}\", \"${type}\", k${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.new "// Generated from host/web/page by embed.cmake: do not edit.
#include \"host/web/assets.h\"

namespace web {

namespace {

${arrays}
const Asset kAssets[] = {
${rows}};

}  // namespace

const Asset* FindAsset(std::string_view path) {
    for (const Asset& asset : kAssets)
        if (asset.path == path) return &asset;
    return nullptr;
}

}  // namespace web
")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
