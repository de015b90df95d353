# Installs the library with `--prefix` into a fresh directory, as a user does
# with a build configured for the default prefix, checks the headers, then
# builds and runs examples against it with nothing but pkg-config's flags.
# Variables: BUILD, CC, EXAMPLES (sources, separated by commas), WORK;
# CFLAGS (optional, one flag).
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}")
endif()
# A host needs the binding's headers beside the C interface's.
foreach(header call_zel.h zel_binding.h host_interface.h)
  if(NOT EXISTS ${WORK}/prefix/include/${header})
    message(FATAL_ERROR "${header} is not installed under ${WORK}/prefix/include")
  endif()
endforeach()
file(GLOB pcdirs ${WORK}/prefix/*/pkgconfig ${WORK}/prefix/*/*/pkgconfig)
list(JOIN pcdirs ":" pcpath)
set(ENV{PKG_CONFIG_PATH} "${pcpath}")
# Nothing tells pkg-config where the files went: the .pc file must find
# them itself, although the build was configured for another prefix.
execute_process(COMMAND pkg-config --cflags --libs zel
  RESULT_VARIABLE rc OUTPUT_VARIABLE flags ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know zel (${pcpath}): ${err}")
endif()
string(FIND "${flags}" "-I${WORK}/prefix/" at)
if(at EQUAL -1)
  message(FATAL_ERROR "pkg-config's flags miss the install prefix ${WORK}/prefix: ${flags}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
file(GLOB libdirs ${WORK}/prefix/lib ${WORK}/prefix/lib/* ${WORK}/prefix/lib64)
list(JOIN libdirs ":" ldpath)
set(ENV{LD_LIBRARY_PATH} "${ldpath}")
string(REPLACE "," ";" examples "${EXAMPLES}")
foreach(example ${examples})
  get_filename_component(name ${example} NAME_WE)
  execute_process(COMMAND ${CC} -std=c99 ${CFLAGS} -o ${WORK}/${name} ${example} ${flags}
    RESULT_VARIABLE rc ERROR_VARIABLE cc_out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} does not build against the installed library:\n${cc_out}")
  endif()
  execute_process(COMMAND ${WORK}/${name} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the installed ${name} failed (${rc}): ${err}")
  endif()
endforeach()
file(GLOB sonames ${WORK}/prefix/lib/libzel.so.* ${WORK}/prefix/lib/*/libzel.so.*)
if(NOT sonames)
  message(FATAL_ERROR "no versioned libzel.so under ${WORK}/prefix")
endif()
message(STATUS "installed examples ran; ${sonames}")
