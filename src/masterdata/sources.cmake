# Sources of src/masterdata, listed by name.
list(APPEND TOLVAN_SOURCES
  src/masterdata/extra_message.cc
  src/masterdata/extra_message_encoding.cc
  src/masterdata/extra_message_received.cc
)
