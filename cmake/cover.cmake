# SPDX-License-Identifier: MIT
# The exact cover's LP bound: COIN-OR CLP (Debian: coinor-libclp-dev) when
# pkg-config finds it; without it, the cover falls back to its own
# subgradient bound (same results, slower proofs). QMSOP_CLP=OFF forces the
# fallback, e.g. for a build without the library.
option(QMSOP_CLP "Use COIN-OR CLP for the exact cover's LP bound when found" ON)
if(QMSOP_CLP)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(QMSOP_CLP_LIB QUIET IMPORTED_TARGET clp)
  endif()
  if(QMSOP_CLP_LIB_FOUND)
    target_link_libraries(qmsop_core PRIVATE PkgConfig::QMSOP_CLP_LIB)
    target_compile_definitions(qmsop_core PRIVATE QMSOP_HAVE_CLP)
    message(STATUS "Exact cover: LP bound by COIN-OR CLP ${QMSOP_CLP_LIB_VERSION}")
  else()
    message(STATUS "Exact cover: COIN-OR CLP not found (coinor-libclp-dev); subgradient bound")
  endif()
endif()
