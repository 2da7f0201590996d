// A back-office program's way of sending PLUs to the store's scales: one
// job through <tolvan/driver.h>, the driver's lines shown as they come,
// then one line per scale with how it ended.
//
//   tolvan_embed_example plu.csv TolvanDrvConfig.txt
//
// Exits with the driver's exit status (0 when every scale took everything).
#include <tolvan/driver.h>

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DATAFILE CONFIGFILE\n", argv[0]);
    return 64;
  }
  tolvan::JobOptions job;
  job.operation = tolvan::JobOperation::Import;
  job.dataType = tolvan::JobDataType::Plu;
  job.dataFile = argv[1];
  job.configFile = argv[2];

  tolvan::JobOutcome outcome = tolvan::runJob(job, [](std::string_view line) {
    std::printf("driver: %.*s\n", static_cast<int>(line.size()), line.data());
  });

  for (const tolvan::ScaleResult& scale : outcome.scales) {
    std::printf("scale %s: %s, %d sent, %d accepted (%s port %d) %s\n", scale.name.c_str(), scale.outcome.c_str(),
                scale.sent, scale.accepted, scale.address.c_str(), scale.port, scale.message.c_str());
  }
  std::printf("exit status %d\n", outcome.exitStatus);
  return outcome.exitStatus;
}
