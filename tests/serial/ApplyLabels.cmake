# Run by ctest after the discovered tests are defined: gives them the labels "core" and
# "serial" as one list (the discovery step splits a list given in its PROPERTIES).
foreach(t IN LISTS serial_core_tests_TESTS serial_linux_tests_TESTS)
  set_tests_properties("${t}" PROPERTIES LABELS "core;serial")
endforeach()
