list(APPEND TOLVAN_TEST_SOURCES
  totals/totals_requests_test.cc
  totals/totals_received_test.cc
)
