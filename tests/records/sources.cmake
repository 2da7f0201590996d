list(APPEND TOLVAN_TEST_SOURCES
  records/data_types_test.cc
  records/packing_test.cc
  records/plu_record_test.cc
  records/record_dispatch_test.cc
  records/plu_encoding_test.cc
  records/plu_received_test.cc
)
