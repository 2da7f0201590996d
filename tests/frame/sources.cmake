list(APPEND TOLVAN_TEST_SOURCES
  frame/ptr_array_test.cc
  frame/driver_log_test.cc
  frame/configuration_test.cc
  frame/command_line_test.cc
  frame/operation_runner_test.cc
  frame/entry_test.cc
)
