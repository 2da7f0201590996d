list(APPEND TOLVAN_TEST_SOURCES
  dispatch/field_tables_test.cc
  dispatch/record_dispatch_test.cc
)
