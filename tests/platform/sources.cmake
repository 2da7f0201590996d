list(APPEND TOLVAN_TEST_SOURCES
  platform/files_test.cc
)
