# Sources of src/core, listed by name.
list(APPEND TOLVAN_SOURCES
  src/core/driver.cc
  src/core/driver_log.cc
  src/core/message_table.cc
  src/core/record_list.cc
  src/core/scale_entry.cc
  src/core/time_stamp.cc
)
