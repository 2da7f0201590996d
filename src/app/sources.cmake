# Sources of src/app, listed by name (main.cc belongs to tolvandrv alone).
list(APPEND TOLVAN_SOURCES
  src/app/command_line.cc
  src/app/configuration.cc
  src/app/entry.cc
  src/app/job.cc
  src/app/operation_runner.cc
  src/app/config_findings.cc
  src/app/file_check.cc
  src/app/progress_line.cc
  src/app/run_report.cc
  src/app/run_lock.cc
  src/app/run_files.cc
  src/app/scale_warnings.cc
  src/app/totals_reset.cc
  src/app/run_stop.cc
  src/app/verdict.cc
  src/app/record_image.cc
  src/app/read_back.cc
  src/app/verify.cc
  src/app/changed_only.cc
)
