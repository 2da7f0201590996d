list(APPEND TOLVAN_TEST_SOURCES
  masterdata/price_change_test.cc
  masterdata/keyboard_layout_test.cc
)
