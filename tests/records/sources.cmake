list(APPEND TOLVAN_TEST_SOURCES
  records/data_types_test.cc
  records/field_format_test.cc
  records/packing_test.cc
  records/scale_fields_test.cc
)
