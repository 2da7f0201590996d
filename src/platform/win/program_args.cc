#include "platform/program_args.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include <cstdio>

#include "platform/win/wide.h"

namespace tolvan {

ProgramArguments::ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    text_.assign(argv, argv + argc);
  } else {
    for (int i = 0; i < count; ++i) text_.push_back(win::narrow(wide[i], std::wcslen(wide[i])));
    ::LocalFree(wide);
  }
  for (std::string& t : text_) pointers_.push_back(t.data());
  pointers_.push_back(nullptr);
  // The driver writes its line ends itself; a text-mode stream would turn
  // every LF into CR LF a second time.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

}  // namespace tolvan
