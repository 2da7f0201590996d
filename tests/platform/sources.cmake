list(APPEND TOLVAN_TEST_SOURCES
  platform/files_test.cc
  platform/folder_lock_test.cc
)
