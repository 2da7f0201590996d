// tolvansim: stands in for the scales of a driver configuration file on
// 127.0.0.1, one port a scale, until SIGINT or SIGTERM.
//
//   tolvansim CONFIG [--write-config OUT]
//   tolvansim --help | --version
//
// Prints "tolvansim ready: N scale(s)" once every port is open (after OUT
// has been written with the ports actually served).
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/open_files.h"
#include "platform/program_args.h"
#include "platform/socket.h"
#include "platform/stop_signal.h"
#include "sim/sim_bytes.h"
#include "sim/sim_config.h"
#include "sim/sim_server.h"

namespace {

constexpr const char* kUsage =
    "Usage: tolvansim CONFIG [--write-config OUT]\n"
    "       tolvansim --help | --version\n"
    "\n"
    "Serves the scales of the driver configuration CONFIG on 127.0.0.1 (port=0: any free\n"
    "port) until SIGINT or SIGTERM, then writes their dumps. --write-config writes the\n"
    "configuration with the ports served to OUT, for the driver. Simulator settings\n"
    "(simfault=, simseed=, simtranscript=, simdump=): man tolvansim.\n"
    "\n"
    "Exit status: 0 stopped by a signal, 1 a dump not written, 2 wrong arguments or configuration.\n";

int usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// --help and --version, wherever they stand, answer on standard output
// and end at once: 0, or -1 when the arguments ask for neither.
int answerHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const bool help = std::strcmp(argv[i], "--help") == 0;
    if (!help && std::strcmp(argv[i], "--version") != 0) continue;
    std::fputs(help ? kUsage : "Tolvan Scale Simulator Version 1.2\n", stdout);
    return 0;
  }
  return -1;
}

}  // namespace

int main(int rawCount, char** rawValues) {
  tolvan::ProgramArguments arguments(rawCount, rawValues);
  int argc = arguments.count();
  char** argv = arguments.values();
  int answered = answerHelpOrVersion(argc, argv);
  if (answered >= 0) return answered;
  std::string configPath;
  std::string outPath;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--write-config") == 0 && i + 1 < argc) outPath = argv[++i];
    else if (configPath.empty() && argv[i][0] != '-') configPath = argv[i];
    else return usage();
  }
  if (configPath.empty()) return usage();
  // Every scale needs a listener and its connections.
  tolvan::raiseOpenFileLimit();
  tolvan::socketStartup();
  tolvan::installStopSignals();
  tolvan::SocketHandle stop = tolvan::stopWakeSocket();
  if (stop == tolvan::kInvalidSocket) return 2;

  tolvan::sim::SimConfig config;
  std::string error;
  if (!tolvan::sim::loadSimConfig(configPath, config, error)) {
    std::fprintf(stderr, "tolvansim: %s: %s\n", configPath.c_str(), error.c_str());
    return 2;
  }
  tolvan::SystemClock clock;
  tolvan::sim::SimServer server(config, clock);
  if (!server.open(error)) {
    std::fprintf(stderr, "tolvansim: %s\n", error.c_str());
    return 2;
  }
  if (!outPath.empty() && !tolvan::sim::writeWholeFile(outPath, tolvan::sim::rewriteConfig(config))) {
    std::fprintf(stderr, "tolvansim: cannot write %s\n", outPath.c_str());
    return 2;
  }
  std::printf("tolvansim ready: %zu scale(s)\n", config.scales.size());
  std::fflush(stdout);
  server.run(stop);
  if (!server.writeDumps()) {
    std::fputs("tolvansim: a dump file could not be written\n", stderr);
    return 1;
  }
  return 0;
}
