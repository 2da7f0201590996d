list(APPEND TOLVAN_TEST_SOURCES
  frame/ptr_array_test.cc
)
