# Sources of src/records, listed by name.
list(APPEND TOLVAN_SOURCES
  src/records/data_types.cc
  src/records/field_def.cc
  src/records/field_format.cc
  src/records/first_arrival.cc
  src/records/message_record.cc
  src/records/packing.cc
  src/records/scale_fields.cc
)
