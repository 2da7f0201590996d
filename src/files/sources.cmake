# Sources of src/files, listed by name.
list(APPEND TOLVAN_SOURCES
  src/files/line_reader.cc
  src/files/field_splitter.cc
)
