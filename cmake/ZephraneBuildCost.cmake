# What makes the build cheap: the linker, the compiler cache, how much debug
# information each part carries, and whether headers are precompiled. Each
# is a cache option, so a build directory can choose otherwise by hand.
#
# The figures that chose the defaults come from this project's CI machines
# (8 virtual cores, g++ 12): a test program links with 1 s of CPU time with
# lld against 4 to 9 s with GNU ld; -g at -O2 spends a third of a heavy
# unit's compile in variable tracking; and a unit that loads a shared
# precompiled header spends 3 to 6 s in the kernel copying the header's
# pages, as much as parsing the headers would cost
# (ZephranePrecompiledHeaders.cmake).

# The linker. LLVM's lld (Debian's lld) needs a quarter of GNU ld's CPU time
# or less, and a tenth of its wall time. Not mold (1.10, Debian 12's): it puts every note section in
# one PT_NOTE segment padded as the widest of them, so the code-signing
# stand-in's reader takes the segment for malformed and finds no identity in
# the daemon or the app.
set(ZEPHRANE_LINKER "auto" CACHE STRING "Linker: auto (lld where installed), lld, gold, bfd or default")
set_property(CACHE ZEPHRANE_LINKER PROPERTY STRINGS auto lld gold bfd default)
set(zephrane_linker ${ZEPHRANE_LINKER})
if(zephrane_linker STREQUAL "auto")
  find_program(ZEPHRANE_LLD_PROGRAM ld.lld)
  set(zephrane_linker default)
  if(ZEPHRANE_LLD_PROGRAM)
    set(zephrane_linker lld)
  endif()
endif()
if(NOT zephrane_linker STREQUAL "default")
  add_link_options(-fuse-ld=${zephrane_linker})
endif()
message(STATUS "Linker: ${zephrane_linker}")

# The compiler cache. Paths under the source tree are hashed relative to it
# and the build directory is left out of the hash, so a fresh clone or a
# second build directory of the same sources finds what an earlier build
# stored. Depend mode takes the headers a unit read from the compiler's own
# dependency file instead of running the preprocessor once more, so a miss
# (every unit of a first build) costs little more than the compile. Objects
# taken from the cache name the directory of the build that stored them in
# their debug information.
option(ZEPHRANE_CCACHE "Compile through ccache where it is installed" ON)
if(ZEPHRANE_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(ZEPHRANE_CCACHE_PROGRAM ccache)
  find_program(ZEPHRANE_ENV_PROGRAM env)
  if(ZEPHRANE_CCACHE_PROGRAM AND ZEPHRANE_ENV_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER
      ${ZEPHRANE_ENV_PROGRAM} CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=true CCACHE_DEPEND=true
      ${ZEPHRANE_CCACHE_PROGRAM})
    message(STATUS "Compiler cache: ${ZEPHRANE_CCACHE_PROGRAM}")
  endif()
endif()

# Debug information. In an optimised build, GCC's variable-tracking
# assignments make the exact locations of variables at every instruction,
# and cost a third of a heavy unit's compile time; without them the product
# keeps its types, lines and variables (some more often "optimized out"). A
# Debug build (-O0) tracks nothing either way. Tests and benchmarks, which
# nobody steps through in a build that runs them all, carry line tables only:
# backtraces and sanitizer reports still name file and line. Set
# ZEPHRANE_TEST_DEBUG_INFO=full to step through a test.
add_compile_options($<$<CONFIG:RelWithDebInfo>:-fno-var-tracking-assignments>)
set(ZEPHRANE_TEST_DEBUG_INFO "lines" CACHE STRING "Debug information of tests and benchmarks: lines or full")
set_property(CACHE ZEPHRANE_TEST_DEBUG_INFO PROPERTY STRINGS lines full)

# The sanitizer build is such a build too, and it is the heavy one: every
# test program links the app's static libraries, and at -O0 each of their
# units carries its own copy of UBSan's data for every inline function it
# instantiates, about 2.5 MB a unit, with a run-time relocation for each
# pointer in it. That build directory came to 20 GB, more than a CI machine
# may have free. So there the product carries line tables too, the code is
# compiled at -Og (which inlines most of those functions away, halves the
# code and compiles no slower than -O0), and programs are linked at fixed
# addresses, which drops the relocations: the directory is 6.3 GB, the
# largest program 120 MB instead of 410.
if(ZEPHRANE_SANITIZE)
  add_compile_options($<$<CONFIG:Debug>:-Og>)
  add_link_options($<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-no-pie>)
  if(ZEPHRANE_TEST_DEBUG_INFO STREQUAL "lines")
    add_compile_options($<$<OR:$<CONFIG:Debug>,$<CONFIG:RelWithDebInfo>>:-g1>)
  endif()
endif()

# Called by the folders of tests and benchmarks for their own targets.
macro(zephrane_test_debug_info)
  if(ZEPHRANE_TEST_DEBUG_INFO STREQUAL "lines")
    add_compile_options($<$<OR:$<CONFIG:Debug>,$<CONFIG:RelWithDebInfo>>:-g1>)
  endif()
endmacro()

option(ZEPHRANE_PRECOMPILED_HEADERS "Share precompiled headers across targets" OFF)
