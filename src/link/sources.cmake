# Sources of src/link, listed by name.
list(APPEND TOLVAN_SOURCES
  src/link/scale_log.cc
  src/link/scale_link.cc
  src/link/scale_worker.cc
  src/link/message_protocol.cc
  src/link/message_frames.cc
  src/link/block_protocol.cc
  src/link/block_frames.cc
)
