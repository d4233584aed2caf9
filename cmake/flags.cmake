# SPDX-License-Identifier: MIT
# Compiler and linker flags for every target of the tree: hardening (on by
# default) and paths that do not depend on where the tree lies.
#
# Hardening, QMSOP_HARDEN (the flags of Debian's dpkg-buildflags):
#   all build types        -fstack-protector-strong, -fstack-clash-protection,
#                          -fcf-protection (where the target has it), PIE,
#                          -Wl,-z,relro,-z,now
#   optimised build types  -D_FORTIFY_SOURCE=2 (it needs the optimiser)
# It is left out of sanitizer and fuzzing builds, whose runtimes do these
# checks their own way.
#
# Paths: __FILE__ and the debug information name the sources relative to the
# source tree (src/tabulation/quine.cpp), so the program does not carry the absolute
# path of the machine that built it and two builds in different folders give
# the same binary. Debug builds keep absolute paths in their debug
# information, for the debugger.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

set(qmsop_optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)

# 1 in the build types whose every hardening flag is on, 0 in the others.
set(QMSOP_HARDENED 0)
if(QMSOP_HARDEN AND NOT QMSOP_SANITIZE AND NOT QMSOP_FUZZ)
  set(QMSOP_HARDENED ${qmsop_optimised})
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong)
  foreach(flag -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "QMSOP_HAS${flag}" flag_var)
    check_cxx_compiler_flag(${flag} ${flag_var})
    if(${flag_var})
      add_compile_options(${flag})
    endif()
  endforeach()
  add_compile_options("$<${qmsop_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  add_link_options(LINKER:-z,relro,-z,now)
elseif(QMSOP_HARDEN)
  message(STATUS "Sanitizer or fuzzing build: hardening flags left out")
endif()

add_compile_options(
  -fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=
  "$<${qmsop_optimised}:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=;-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
