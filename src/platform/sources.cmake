# Sources of src/platform, listed by name: one header a concept, its POSIX
# implementation beside it and its Windows one in win/ under the same name.
set(TOLVAN_PLATFORM_FILES
  clock
  files
  folder_lock
  socket
  open_files
  file_probe
  file_moves
  stop_signal
  program_args
  memory
)
foreach(file ${TOLVAN_PLATFORM_FILES})
  if(WIN32)
    list(APPEND TOLVAN_SOURCES src/platform/win/${file}.cc)
  else()
    list(APPEND TOLVAN_SOURCES src/platform/${file}.cc)
  endif()
endforeach()
# The same on every system, and what the Windows files share.
list(APPEND TOLVAN_SOURCES src/platform/sleeper.cc src/platform/files_shared.cc)
if(WIN32)
  list(APPEND TOLVAN_SOURCES src/platform/win/wide.cc)
endif()
