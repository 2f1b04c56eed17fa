# Every `#include "folder/..."` line must follow the layers' arrows:
#   plugin -> dialogs -> {registers, graph, platform}, plugin -> platform/headless (the seam
#   counts changes through the headless peers), graph -> platform, backends -> platform.
#   The hosts (the terminal, web and Windows hosts in host/, and Python's in python/src) reach
#   nothing of the module beyond its C headers: they know it as a real host does, through its
#   exports and, on Linux, the UI seam. Only what the hosts share (host/common) is theirs to
#   include besides their own folder; no host reaches another's. There the way runs one way
#   too: device -> chip -> {bus, module, log} -> text, seam -> module -> text; the buses know
#   nothing of the module, and nothing below the user's actions (seam) plays the user.
# The build refuses most wrong arrows too (each target's include path holds only the headers
# of the layers it links, cmake/layers.cmake); this check also covers the files of a layer
# that no target of this build compiles, such as the other platform's backend.
# Run: cmake -DROOT=<repository> -P include_arrows.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_plugin plugin dialogs registers graph platform platform/headless)
set(allowed_dialogs dialogs registers graph platform)
set(allowed_registers registers)
set(allowed_graph graph platform)
set(allowed_platform platform)
set(allowed_platform/win32 platform/win32 platform)
set(allowed_platform/cairo platform/cairo platform)
set(allowed_platform/headless platform/headless platform)
set(common host/common/device host/common/chip host/common/bus host/common/module host/common/log host/common/text)
# The host folder's own tools (the register map's generator) reach all that the hosts share.
set(allowed_host host ${common} host/common/seam)
set(allowed_host/common/text host/common/text)
set(allowed_host/common/log host/common/log host/common/text)
set(allowed_host/common/module host/common/module host/common/text)
set(allowed_host/common/bus host/common/bus host/common/text)
set(allowed_host/common/chip host/common/chip host/common/bus host/common/module host/common/log host/common/text)
set(allowed_host/common/device ${common})
set(allowed_host/common/seam host/common/seam host/common/module host/common/text)
set(hosts host/terminal host/web host/windows python/src)
foreach(host ${hosts})
  set(allowed_${host} ${host} ${common} host/common/seam)
endforeach()

# The layer a path belongs to: its top folder, a backend folder of the platform, a folder of
# what the hosts share, or a host's folder.
function(layer_of path out)
  if(path MATCHES "^platform/(win32|cairo|headless)/")
    set(${out} "platform/${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^host/common/([^/]+)/")
    set(${out} "host/common/${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^(host/[^/]+|python/src)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${ROOT}
  ${ROOT}/plugin/* ${ROOT}/dialogs/* ${ROOT}/registers/* ${ROOT}/graph/* ${ROOT}/platform/* ${ROOT}/host/*
  ${ROOT}/python/src/*)
set(wrong "")
set(checked 0)
foreach(source ${sources})
  if(NOT source MATCHES "\\.(h|cpp|c)$")
    continue()
  endif()
  layer_of(${source} from)
  file(STRINGS ${ROOT}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/")
  foreach(line ${lines})
    string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" target "${line}")
    layer_of(${target} to)
    math(EXPR checked "${checked} + 1")
    if(NOT to IN_LIST allowed_${from})
      string(APPEND wrong "\n  ${source}: #include \"${target}\" (${from} may not reach ${to})")
    endif()
  endforeach()
endforeach()
if(wrong)
  message(FATAL_ERROR "include lines against the layers' arrows:${wrong}")
endif()
message(STATUS "${checked} include lines follow the arrows")
