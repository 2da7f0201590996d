list(APPEND TOLVAN_TEST_SOURCES layers/layers_test.cc)
