# Tests of the scale simulator, with the simulator's own sources (its
# program entry, main.cc, stays out).
list(APPEND TOLVAN_TEST_SOURCES
  sim/sim_wire_test.cc
  sim/sim_peers_test.cc
  sim/sim_files_test.cc
  ../sim/sim_bytes.cc
  ../sim/record_store.cc
  ../sim/record_keys.cc
  ../sim/block_frame.cc
  ../sim/dribble.cc
  ../sim/message_peer.cc
  ../sim/block_peer.cc
  ../sim/transcript.cc
  ../sim/sim_config.cc
  ../sim/sim_server.cc
  ../sim/flood.cc
  ../sim/slow_peer.cc
)
