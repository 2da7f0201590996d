list(APPEND TOLVAN_TEST_SOURCES
  e2e/refused_scales_test.cc
  e2e/message_family_e2e_test.cc
  e2e/both_families_e2e_test.cc
  e2e/price_change_e2e_test.cc
  e2e/keyboard_layout_e2e_test.cc
  e2e/store_text_e2e_test.cc
  e2e/nutrition_panel_e2e_test.cc
  e2e/extra_message_e2e_test.cc
  e2e/totals_e2e_test.cc
  e2e/file_check_e2e_test.cc
  e2e/exit_status_e2e_test.cc
)
