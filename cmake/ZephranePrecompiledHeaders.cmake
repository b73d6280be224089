# Precompiled headers, shared: the heavy third-party headers (GoogleTest,
# nlohmann-json, asio, QtCore with QCoro, the standard library) are compiled
# once per flavour by a donor target, and every target of that flavour reuses
# the donor's header (REUSE_FROM) instead of parsing them again in each unit.
#
# Off unless ZEPHRANE_PRECOMPILED_HEADERS is set. GCC maps a precompiled
# header privately and writes to most of its pages while it compiles, so
# each unit copies tens of thousands of pages of an 80-250 MB header; on the
# virtual machines this project builds on, every copy is a TLB shoot-down
# across the cores, and a unit spends 3 to 6 s of system time on it. Paired
# compiles of a dozen units, with and without their header, came out 10 %
# cheaper without it in all (the heaviest asio and Qt units even), and a unit
# without one is a unit ccache can store.
#
# GCC uses a precompiled header only when the unit is compiled the way the
# header was: the same position-independence (Qt asks for -fPIC) and every
# macro the donor defined defined the same way (asio's and GoogleTest's come
# with their targets). So a target's flavour follows from what its usage
# requirements reach: QtCore, asio, GoogleTest. CMake passes -Winvalid-pch
# with the header, so a unit it does not fit fails the -Werror build rather
# than quietly parsing the headers again.
#
# zephrane_apply_precompiled_headers(DIRECTORIES ...) runs once the whole tree
# is read and gives every C++ target below those folders its flavour, unless
# it has precompiled headers of its own.
#
# A header in a precompiled set is visible to every unit of its flavour, so
# the sets leave out headers that would change what a unit's own names mean:
# <filesystem> brings std::quoted, which argument-dependent lookup would
# prefer to a file's own quoted(std::string_view).

set(ZEPHRANE_PCH_STANDARD
  <algorithm> <array> <atomic> <chrono> <condition_variable> <cstdint> <cstring> <exception>
  <functional> <map> <memory> <mutex> <optional> <set> <sstream> <stdexcept> <string> <string_view> <thread>
  <unordered_map> <utility> <variant> <vector>)
set(ZEPHRANE_PCH_QT
  <QCoreApplication> <QDateTime> <QFuture> <QObject> <QPromise> <QString> <QThread> <QTimer>
  <qcoro/qcorofuture.h> <qcoro/qcorotask.h>)
set(ZEPHRANE_PCH_TESTS <gmock/gmock.h> <gtest/gtest.h>)

# A donor: an object library of one empty unit that owns the header.
function(zephrane_pch_donor name)
  cmake_parse_arguments(ARG "" "" "HEADERS;LIBS" ${ARGN})
  add_library(${name} OBJECT ${PROJECT_SOURCE_DIR}/cmake/PrecompiledHeaderDonor.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zephrane_options)
  target_precompile_headers(${name} PRIVATE ${ARG_HEADERS})
endfunction()

# What a target's usage requirements reach: the target's own links, then the
# public (not link-only) links of each of those, and so on.
function(zephrane_usage_closure target out)
  set(seen "")
  get_target_property(pending ${target} LINK_LIBRARIES)
  if(NOT pending)
    set(pending "")
  endif()
  while(pending)
    list(POP_FRONT pending item)
    if(item MATCHES "^\\$<" OR NOT TARGET ${item})
      continue()
    endif()
    get_target_property(aliased ${item} ALIASED_TARGET)
    if(aliased)
      set(item ${aliased})
    endif()
    if(item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    get_target_property(next ${item} INTERFACE_LINK_LIBRARIES)
    if(next)
      list(APPEND pending ${next})
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(zephrane_collect_targets directory out)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    zephrane_collect_targets(${subdirectory} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(zephrane_apply_precompiled_headers)
  cmake_parse_arguments(ARG "" "" "DIRECTORIES" ${ARGN})
  zephrane_pch_donor(zephrane_pch_plain HEADERS ${ZEPHRANE_PCH_STANDARD})
  zephrane_pch_donor(zephrane_pch_asio HEADERS ${ZEPHRANE_PCH_STANDARD} <asio.hpp> <nlohmann/json.hpp> LIBS asio)
  zephrane_pch_donor(zephrane_pch_qt HEADERS ${ZEPHRANE_PCH_STANDARD} ${ZEPHRANE_PCH_QT}
    LIBS Qt6::Core QCoro6::Core)
  zephrane_pch_donor(zephrane_pch_test HEADERS ${ZEPHRANE_PCH_STANDARD} ${ZEPHRANE_PCH_TESTS} <nlohmann/json.hpp>
    LIBS GTest::gtest GTest::gmock)
  zephrane_pch_donor(zephrane_pch_test_asio
    HEADERS ${ZEPHRANE_PCH_STANDARD} ${ZEPHRANE_PCH_TESTS} <asio.hpp> <nlohmann/json.hpp>
    LIBS GTest::gtest GTest::gmock asio)
  zephrane_pch_donor(zephrane_pch_test_qt HEADERS ${ZEPHRANE_PCH_STANDARD} ${ZEPHRANE_PCH_TESTS} ${ZEPHRANE_PCH_QT}
    LIBS GTest::gtest GTest::gmock Qt6::Core QCoro6::Core)

  set(targets "")
  foreach(directory IN LISTS ARG_DIRECTORIES)
    zephrane_collect_targets(${PROJECT_SOURCE_DIR}/${directory} found)
    list(APPEND targets ${found})
  endforeach()
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY|SHARED_LIBRARY)$" OR target MATCHES "^zephrane_pch_")
      continue()
    endif()
    get_target_property(own ${target} PRECOMPILE_HEADERS)
    get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
    get_target_property(disabled ${target} DISABLE_PRECOMPILE_HEADERS)
    if(own OR reused OR disabled)
      continue()
    endif()
    # A target built at an optimisation level of its own defines other
    # macros (__OPTIMIZE__, __NO_INLINE__) than the donor in some build, so
    # the shared header would not fit it there.
    get_target_property(options ${target} COMPILE_OPTIONS)
    if(options AND options MATCHES "(^|;)-O")
      continue()
    endif()
    zephrane_usage_closure(${target} reached)
    set(flavour plain)
    if("Qt6::Core" IN_LIST reached)
      set(flavour qt)
    elseif("asio" IN_LIST reached)
      set(flavour asio)
    endif()
    if("GTest::gtest" IN_LIST reached)
      if(flavour STREQUAL "plain")
        set(flavour test)
      else()
        set(flavour test_${flavour})
      endif()
    endif()
    target_precompile_headers(${target} REUSE_FROM zephrane_pch_${flavour})
  endforeach()
endfunction()
