# Sources of src/files, listed by name.
list(APPEND TOLVAN_SOURCES
  src/files/line_reader.cc
  src/files/field_splitter.cc
  src/files/import_reader.cc
  src/files/key_index.cc
  src/files/record_collector.cc
  src/files/read_ahead.cc
  src/files/work_files.cc
  src/files/resend_file.cc
  src/files/record_source.cc
  src/files/export_writer.cc
  src/files/finding.cc
  src/files/digit_findings.cc
  src/files/text_bytes.cc
  src/files/import_findings.cc
  src/files/export_target.cc
  src/files/pending_work_files.cc
)
