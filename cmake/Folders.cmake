# Adds every immediate subfolder of the current folder that has a
# CMakeLists.txt, so that a new program, suite or benchmark folder needs no
# edit of its parent.
function(tobrix_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
