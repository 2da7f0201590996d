list(APPEND TOLVAN_TEST_SOURCES
  masterdata/store_text_test.cc
  masterdata/nutrition_panel_test.cc
  masterdata/price_change_test.cc
  masterdata/keyboard_layout_test.cc
  masterdata/extra_message_test.cc
)
