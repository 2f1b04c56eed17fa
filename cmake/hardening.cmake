# Hardened binaries, as Debian's own build defaults make them: the stack protected, the
# C library's checked functions, control-flow protection, PIE, and relocations read-only
# after start. The Windows DLL and host load at a random base with no executable data.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

if(WIN32)
  add_link_options(-Wl,--dynamicbase -Wl,--nxcompat)
  # A 64-bit address space only: i686 has none to randomise further.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
  endif()
  return()
endif()

check_pie_supported()
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
check_cxx_compiler_flag(-fcf-protection qm7140_has_cf_protection)
if(qm7140_has_cf_protection)
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fcf-protection>)
endif()
add_link_options(-Wl,-z,relro,-z,now)

# The sanitizers check more than the checked functions do, and they need optimisation, which
# Debug builds lack.
string(FIND "${CMAKE_CXX_FLAGS}" "-fsanitize" qm7140_sanitized)
if(qm7140_sanitized EQUAL -1)
  set(qm7140_fortify 2)
  if((CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
     OR (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 16))
    set(qm7140_fortify 3)
  endif()
  add_compile_options("$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<NOT:$<CONFIG:Debug>>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=${qm7140_fortify}>")
else()
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()
