# The wiring check fails cleanly, in German, with its documented exit status, and never
# prints a line of readings. Each case: arguments, exit status, what stderr must hold.
set(missing /nonexistent/velkoran-no-such-tty)
set(cases
  "${missing}|1|^Schnittstelle ${missing} lässt sich nicht öffnen: No such file or directory\n$"
  "COM17|2|^Schnittstelle COM17 gibt es nicht"
  "-h|2|^Aufruf: velkoran-lines COMn")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 arg)
  list(GET fields 1 want_rc)
  list(GET fields 2 want_err)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${LINES} ${arg} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
  if(NOT rc STREQUAL want_rc)
    message(FATAL_ERROR "velkoran-lines ${arg}: exit ${rc}, expected ${want_rc}: ${err}")
  endif()
  if(NOT err MATCHES "${want_err}")
    message(FATAL_ERROR "velkoran-lines ${arg}: unexpected text: ${err}")
  endif()
  if(NOT out STREQUAL "")
    message(FATAL_ERROR "velkoran-lines ${arg} printed readings: ${out}")
  endif()
endforeach()

# A device the user may not open is named with its way out (root may open anything).
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT uid STREQUAL "0")
  string(RANDOM LENGTH 8 tag)
  set(locked /tmp/velkoran-locked-${tag})
  file(WRITE ${locked} "")
  file(CHMOD ${locked} PERMISSIONS OWNER_WRITE)
  execute_process(COMMAND ${LINES} ${locked} RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 20)
  file(REMOVE ${locked})
  if(NOT err MATCHES "Keine Berechtigung für ${locked}\\. Benutzer in die Gruppe dialout")
    message(FATAL_ERROR "no hint for a device without rights (exit ${rc}): ${err}")
  endif()
endif()
