# Sources of tolvansim, listed by name (paths from the project root).
set(TOLVANSIM_SOURCES
  sim/main.cc
  sim/sim_bytes.cc
  sim/record_store.cc
  sim/record_keys.cc
  sim/block_frame.cc
  sim/dribble.cc
  sim/message_peer.cc
  sim/block_peer.cc
  sim/transcript.cc
  sim/sim_config.cc
  sim/sim_server.cc
  sim/flood.cc
  sim/slow_peer.cc
)
