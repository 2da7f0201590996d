list(APPEND TOLVAN_TEST_SOURCES
  plu/plu_encoding_test.cc
  plu/plu_received_test.cc
)
