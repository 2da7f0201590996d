# Sources of src/plu, listed by name.
list(APPEND TOLVAN_SOURCES
  src/plu/plu_record.cc
  src/plu/plu_encoding.cc
  src/plu/plu_received.cc
)
