# Sources of src/dispatch, listed by name.
list(APPEND TOLVAN_SOURCES
  src/dispatch/field_tables.cc
  src/dispatch/record_dispatch.cc
  src/dispatch/record_factory.cc
  src/dispatch/support_table.cc
)
