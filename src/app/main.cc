// tolvandrv: one run of the scale driver, as a program that embeds it would
// run a job, from the command line.
#include <tolvan/driver.h>

int main(int argc, char** argv) { return tolvan::runCommandLine(argc, argv); }
