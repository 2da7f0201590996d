# Sources of src/masterdata, listed by name.
list(APPEND TOLVAN_SOURCES
  src/masterdata/block_fields.cc
  src/masterdata/price_change.cc
  src/masterdata/keyboard_layout.cc
)
