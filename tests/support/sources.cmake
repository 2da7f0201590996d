list(APPEND TOLVAN_TEST_SOURCES support/sim_harness.cc)
