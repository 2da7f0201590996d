list(APPEND TOLVAN_TEST_SOURCES
  masterdata/extra_message_test.cc
)
