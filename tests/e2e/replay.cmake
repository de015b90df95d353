# Records a session, compiles the recording with the C compiler against
# call_zel.h and the shared library, runs it and compares what it displays.
# Variables: RECORDER, CC, INCLUDE, LIBDIR, WORK; CFLAGS (optional, one flag);
# PATTERN (optional): the recordings' name prefix under /tmp, the prime-field
# build's by default.
if(NOT PATTERN)
  set(PATTERN zel_record_modp_)
endif()
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${RECORDER} OUTPUT_VARIABLE marker ERROR_VARIABLE expected
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the recording program failed (${rc}): ${expected}")
endif()
string(STRIP "${marker}" marker)
# Other tests make and remove recordings at the same time: grep skips files
# that vanish between the listing and the read.
execute_process(COMMAND sh -c "grep -l -s -F '${marker}' /tmp/${PATTERN}*"
  OUTPUT_VARIABLE recording OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT recording)
  message(FATAL_ERROR "no recording holds the marker ${marker}")
endif()
configure_file(${recording} ${WORK}/replay.c COPYONLY)
file(REMOVE ${recording})
execute_process(COMMAND ${CC} -std=c99 -Wall ${CFLAGS} -o ${WORK}/replay ${WORK}/replay.c -I${INCLUDE}
    -L${LIBDIR} -lzel -Wl,-rpath,${LIBDIR}
  RESULT_VARIABLE rc ERROR_VARIABLE cc_out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the recording does not compile:\n${cc_out}")
endif()
execute_process(COMMAND ${WORK}/replay 1 ERROR_VARIABLE replayed RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the replay failed (${rc}): ${replayed}")
endif()
if(NOT replayed STREQUAL expected)
  message(FATAL_ERROR "the replay differs:\n--- recorded session\n${expected}\n--- replay\n${replayed}")
endif()
message(STATUS "replay matches:\n${replayed}")
