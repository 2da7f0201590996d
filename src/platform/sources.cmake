# Sources of src/platform, listed by name.
list(APPEND TOLVAN_SOURCES
  src/platform/clock.cc
  src/platform/sleeper.cc
  src/platform/files.cc
  src/platform/folder_lock.cc
  src/platform/socket.cc
  src/platform/open_files.cc
  src/platform/file_probe.cc
  src/platform/file_moves.cc
  src/platform/stop_signal.cc
)
