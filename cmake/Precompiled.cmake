# Reading the standard library's and the test framework's headers took most of
# the compile time of a typical file (with the sanitizers, two seconds of
# three), again for every file. Each kind of code reads them once, into a
# precompiled header that its targets share: one for the code under test and
# one for the suites, which compile with other optimisation flags (a header
# precompiled with other flags is ignored, never misread: the compiler then
# reads the text headers as before).

set(TOBRIX_PCH_HEADERS
  <algorithm> <atomic> <chrono> <cstdint> <filesystem> <functional> <map> <memory> <mutex>
  <optional> <set> <sstream> <string> <string_view> <unordered_map> <vector>)

# An object library of one empty file whose precompiled header other targets
# reuse; it carries the compile flags of the folder it is made in. PIE: the
# header is for programs' files rather than libraries'.
function(tobrix_pch_target name pie)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// Only the precompiled header of this target is used.\n")
  endif()
  add_library(${name} OBJECT ${source})
  target_precompile_headers(${name} PRIVATE ${TOBRIX_PCH_HEADERS} ${ARGN})
  if(pie)
    # For programs: the compiler refuses a header made for libraries.
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
    target_compile_options(${name} PRIVATE -fPIE)
  endif()
endfunction()

# Every library made below DIR reuses PCH. A program's few files read the
# text headers: they compile with other flags (position-independent for a
# program, not a library).
function(tobrix_reuse_pch dir pch)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|OBJECT_LIBRARY)$" AND NOT target STREQUAL pch)
      target_precompile_headers(${target} REUSE_FROM ${pch})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    tobrix_reuse_pch(${subdir} ${pch})
  endforeach()
endfunction()
