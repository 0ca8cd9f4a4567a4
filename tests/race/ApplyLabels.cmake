# The randomised races run the serial back-end's threads: they belong to the serial runs too.
foreach(t IN LISTS race_random_tests_TESTS)
  set_tests_properties("${t}" PROPERTIES LABELS "core;serial")
endforeach()
