# Source collection shared by the library and the tests.
function(zel_collect_sources out)
  set(all)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# Keeps the sources of one build: drops *.int.cpp from the prime-field build
# and *.fp.cpp from the integer build.  Process-wide code (*.once.cpp) is
# compiled once, with the integer build's objects.
function(zel_filter_build out build)
  set(kept)
  foreach(src ${ARGN})
    if(build STREQUAL "int" AND src MATCHES "\\.fp\\.c(pp)?$")
      continue()
    endif()
    if(build STREQUAL "fp" AND src MATCHES "\\.(int|once)\\.c(pp)?$")
      continue()
    endif()
    list(APPEND kept ${src})
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()
