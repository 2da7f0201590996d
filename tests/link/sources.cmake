list(APPEND TOLVAN_TEST_SOURCES
  link/scale_link_test.cc
  link/message_protocol_test.cc
  link/message_frames_test.cc
  link/block_protocol_test.cc
  link/block_frames_test.cc
)
