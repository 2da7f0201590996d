list(APPEND TOLVAN_TEST_SOURCES
  e2e/refused_scales_test.cc
  e2e/message_family_e2e_test.cc
  e2e/both_families_e2e_test.cc
  e2e/totals_e2e_test.cc
)
