# Each way of opening a serial device name must end the program with the guard's message.
foreach(how open openat open64)
  execute_process(COMMAND ${CHECK} ${how} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err TIMEOUT 20)
  if(rc EQUAL 0 OR NOT err MATCHES "velkoran test guard: a test opened the real serial device /dev/ttyUSB97")
    message(FATAL_ERROR "the guard did not stop ${how} (exit ${rc}): ${out}${err}")
  endif()
endforeach()
