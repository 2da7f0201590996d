list(APPEND TOLVAN_TEST_SOURCES
  text/thai_width_test.cc
  text/text_codes_test.cc
  text/block_text_test.cc
  text/message_text_test.cc
)
