// The program's arguments as the bytes the driver works with: UTF-8 on
// Windows, where main's own arguments would come in the console's code page
// and lose every letter it lacks; as they came everywhere else. Standard
// output and error are set to pass bytes through untranslated, so the line
// ends a program prints are the ones it wrote.
#pragma once

#include <string>
#include <vector>

namespace tolvan {

class ProgramArguments {
 public:
  ProgramArguments(int argc, char** argv);
  ProgramArguments(const ProgramArguments&) = delete;
  ProgramArguments& operator=(const ProgramArguments&) = delete;

  int count() const { return static_cast<int>(text_.size()); }
  // argv-style: count() strings and a null pointer.
  char** values() { return pointers_.data(); }

 private:
  std::vector<std::string> text_;
  std::vector<char*> pointers_;
};

}  // namespace tolvan
