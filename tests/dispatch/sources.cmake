list(APPEND TOLVAN_TEST_SOURCES
  dispatch/record_dispatch_test.cc
)
