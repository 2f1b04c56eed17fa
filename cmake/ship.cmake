# What we hand out (the module and the hosts) ships stripped: a build moves the debug
# information and symbols into <file>.debug beside the file and leaves a debug link that
# gdb, Wine's debugger, the sanitizers' symbolizer and addr2line follow, so backtraces and
# crash reports keep their functions and lines.
function(qm7140_ship target)
  if(NOT CMAKE_OBJCOPY)
    message(WARNING "no objcopy: ${target} keeps its debug information")
    return()
  endif()
  set(file $<TARGET_FILE_NAME:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${file}.debug ${file}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
  add_test(NAME Shipped.${target}.DebugInfoBeside
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DSOURCE=${CMAKE_SOURCE_DIR} -DOBJDUMP=${CMAKE_OBJDUMP}
      -DNM=${CMAKE_NM} -DADDR2LINE=${CMAKE_ADDR2LINE} -P ${CMAKE_SOURCE_DIR}/cmake/check_debug_link.cmake)
endfunction()
