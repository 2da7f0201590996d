list(APPEND TOLVAN_TEST_SOURCES
  e2e/refused_scales_test.cc
)
