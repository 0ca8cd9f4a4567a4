# Run by ctest after the discovered tests are defined: gives the backup writer's tests the
# labels "core" and "backup" as one list (the discovery step splits a list given in its
# PROPERTIES).
foreach(t IN LISTS protocol_backup_tests_TESTS)
  set_tests_properties("${t}" PROPERTIES LABELS "core;backup")
endforeach()
