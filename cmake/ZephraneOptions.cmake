# One interface target carries the project's warning and sanitizer flags;
# every target of ours links it, third-party headers stay SYSTEM and quiet.
add_library(zephrane_options INTERFACE)
target_compile_options(zephrane_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  # GCC 12 at -O2/-O3 reports "const char*" + std::string as an overlapping
  # memcpy inside libstdc++ (a known false positive of that release).
  $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
if(ZEPHRANE_WERROR)
  target_compile_options(zephrane_options INTERFACE -Werror)
endif()

if(ZEPHRANE_SANITIZE)
  target_compile_options(zephrane_options INTERFACE
    -fsanitize=${ZEPHRANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(zephrane_options INTERFACE -fsanitize=${ZEPHRANE_SANITIZE})
  if(ZEPHRANE_SANITIZE MATCHES "thread")
    # GCC warns that TSan cannot see asio's atomic_thread_fence; harmless here.
    target_compile_options(zephrane_options INTERFACE -Wno-tsan)
  endif()
endif()

# The QML compiler's generated C++ (type registrations, the compiled QML,
# the resources) is not ours and does not meet our warning flags; a QML
# module's own sources keep them.
function(zephrane_quiet_generated_qml_sources target)
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    if(source MATCHES "/\\.rcc/|qmltyperegistrations|qmlcache")
      set_source_files_properties(${source} TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS "-w")
    endif()
  endforeach()
endfunction()
