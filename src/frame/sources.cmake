# Sources of src/frame, listed by name.
list(APPEND TOLVAN_SOURCES
  src/frame/message_table.cc
  src/frame/time_stamp.cc
  src/frame/driver_log.cc
  src/frame/scale_entry.cc
  src/frame/driver.cc
  src/frame/configuration.cc
  src/frame/command_line.cc
  src/frame/operation_runner.cc
  src/frame/entry.cc
)
