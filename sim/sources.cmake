# Sources of tolvansim, listed by name (paths from the project root).
set(TOLVANSIM_SOURCES
  sim/main.cc
)
