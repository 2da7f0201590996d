# Sources of src/totals, listed by name.
list(APPEND TOLVAN_SOURCES
  src/totals/totals_records.cc
  src/totals/totals_requests.cc
  src/totals/totals_line.cc
  src/totals/totals_received.cc
)
