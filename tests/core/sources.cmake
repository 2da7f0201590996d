list(APPEND TOLVAN_TEST_SOURCES
  core/driver_log_test.cc
  core/ptr_array_test.cc
  core/record_list_test.cc
)
