// The simulator's configuration: a driver configuration file, read by the
// driver's own loader for every scale setting, plus the simulator's items on
// each scale line, whose keys start with "sim" (the driver passes them by):
//
//   simfault=<fault>     one fault; the item may repeat (see README.md)
//   simseed=<file>       records and totals the scale holds at start
//   simtranscript=<file> transcript of every connection and byte
//   simdump=<file>       what the scale holds, written when it stops
//
// It also writes the configuration back with the ports actually served,
// for the driver to use.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_scale.h"

namespace tolvan::sim {

struct ConfigLine {
  std::string text;
  int scale = -1;  // index into the scales for a scale line
};

struct SimConfig {
  std::vector<ConfigLine> lines;
  std::vector<std::unique_ptr<SimScale>> scales;
};

// Reads the file; false with a reason in `error`.
bool loadSimConfig(const std::string& path, SimConfig& config, std::string& error);

// Applies one "simfault" value; false when it is not one the scale knows.
bool applyFault(std::string_view value, FaultPlan& faults);

// Applies the simulator's items of one scale line (the items after the first).
bool applySimItems(std::string_view line, SimScale& scale, std::string& error);

// The item texts of a line: split at commas outside quotes.
std::vector<std::string_view> splitItems(std::string_view line);

// The configuration with every scale's port set to the port it is served
// on and its address set to 127.0.0.1 (items replaced, or added at the end).
std::string rewriteConfig(const SimConfig& config);
std::string rewriteScaleLine(std::string_view line, uint16_t port);

}  // namespace tolvan::sim
