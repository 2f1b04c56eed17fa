# Headers are included as "folder/file.h". Instead of the repository root, each target puts
# on its include path a folder of its own in the build tree that links to the headers of
# the one folder it owns; it sees further layers only through what it links. A header of a
# layer the arrows forbid is then not found, so the compiler refuses the include.
#
#   qm7140_expose_headers(<target> <folder> [RECURSE] [FILES <name>...] [EXCLUDE <name>...])
#
# Without FILES every *.h directly in <folder> (not in its subfolders, which are layers of
# their own), or with RECURSE in its subfolders too (folders of one layer); a header added
# there is linked at the next build.
function(qm7140_expose_headers target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "RECURSE" "" "FILES;EXCLUDE")
  set(source ${CMAKE_SOURCE_DIR}/${folder})
  if(arg_FILES)
    set(headers ${arg_FILES})
  else()
    if(arg_RECURSE)
      file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${source} ${source}/*.h)
    else()
      file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${source} ${source}/*.h)
    endif()
    if(arg_EXCLUDE)
      list(REMOVE_ITEM headers ${arg_EXCLUDE})
    endif()
  endif()
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  foreach(header ${headers})
    get_filename_component(subfolder ${root}/${folder}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${subfolder})
    file(CREATE_LINK ${source}/${header} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
