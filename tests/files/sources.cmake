list(APPEND TOLVAN_TEST_SOURCES
  files/line_reader_test.cc
  files/field_splitter_test.cc
  files/import_reader_test.cc
  files/work_files_test.cc
  files/resend_file_test.cc
  files/export_writer_test.cc
  files/pending_work_files_test.cc
)
