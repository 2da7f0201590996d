# Sources of src/text, listed by name.
list(APPEND TOLVAN_SOURCES
  src/text/text_metrics.cc
  src/text/thai_width.cc
  src/text/text_codes.cc
  src/text/text_wrap.cc
  src/text/block_text.cc
  src/text/message_text.cc
)
