list(APPEND TOLVAN_TEST_SOURCES
  app/command_line_test.cc
  app/configuration_test.cc
  app/entry_test.cc
  app/operation_runner_test.cc
  app/file_findings_test.cc
  app/read_back_test.cc
)
