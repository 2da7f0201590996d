list(APPEND TOLVAN_TEST_SOURCES
  e2e/plu_e2e_test.cc
  e2e/masterdata_e2e_test.cc
  e2e/totals_e2e_test.cc
  e2e/file_check_e2e_test.cc
  e2e/exit_status_e2e_test.cc
  e2e/embed_e2e_test.cc
  e2e/resend_e2e_test.cc
  e2e/run_lock_e2e_test.cc
  e2e/own_files_e2e_test.cc
  e2e/fault_e2e_test.cc
  e2e/flood_e2e_test.cc
  e2e/read_back_e2e_test.cc
)
