list(APPEND TOLVAN_TEST_SOURCES
  text/text_metrics_test.cc
  text/thai_width_test.cc
  text/text_codes_test.cc
  text/block_text_test.cc
  text/message_text_test.cc
)
