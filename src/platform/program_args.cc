#include "platform/program_args.h"

namespace tolvan {

ProgramArguments::ProgramArguments(int argc, char** argv) : text_(argv, argv + argc) {
  for (std::string& t : text_) pointers_.push_back(t.data());
  pointers_.push_back(nullptr);
}

}  // namespace tolvan
