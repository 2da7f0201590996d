# Sources of src/records, listed by name.
list(APPEND TOLVAN_SOURCES
  src/records/data_types.cc
  src/records/field_def.cc
  src/records/packing.cc
  src/records/plu_record.cc
  src/records/record_dispatch.cc
  src/records/record_factory.cc
  src/records/plu_encoding.cc
  src/records/plu_received.cc
)
