#include <windows.h>

#include <csignal>

#include "platform/win/wide.h"
#include "support/child_process.h"

namespace tolvan::testing {
namespace {

HANDLE handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// One argument as the C library of the child splits it again.
std::wstring quoted(const std::string& argument) {
  std::wstring text = win::widen(argument);
  if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos) return text;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    out += c;
    backslashes = 0;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

HANDLE inheritable(const wchar_t* name, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, disposition, 0,
                       nullptr);
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (running()) kill();
  closeOutput();
}

bool ChildProcess::start(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
                         const std::string& errFile) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (::CreatePipe(&readEnd, &writeEnd, &inherit, 0) == 0) return false;
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE err = errFile.empty() ? writeEnd : inheritable(win::widen(errFile).c_str(), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = writeEnd;
  startup.hStdError = err == INVALID_HANDLE_VALUE ? writeEnd : err;
  std::wstring line = quoted(program);
  for (const std::string& a : args) line += L" " + quoted(a);
  PROCESS_INFORMATION started{};
  bool ok = ::CreateProcessW(win::widen(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             win::widen(dir).c_str(), &startup, &started) != 0;
  ::CloseHandle(writeEnd);  // the child's copy alone keeps the pipe open
  if (err != writeEnd && err != INVALID_HANDLE_VALUE) ::CloseHandle(err);
  if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
  if (!ok) {
    ::CloseHandle(readEnd);
    return false;
  }
  ::CloseHandle(started.hThread);
  id_ = started.dwProcessId;
  handle_ = reinterpret_cast<intptr_t>(started.hProcess);
  output_ = reinterpret_cast<intptr_t>(readEnd);
  return true;
}

bool ChildProcess::readUntil(std::string& into, Deadline deadline, const std::function<bool(const std::string&)>& stop) {
  char buffer[4096];
  while (!stop(into)) {
    DWORD waiting = 0, n = 0;
    if (output_ < 0 || ::PeekNamedPipe(handle(output_), nullptr, 0, nullptr, &waiting, nullptr) == 0) return false;
    if (waiting == 0) {
      if (msLeft(deadline) == 0) return false;
      ::Sleep(5);
      continue;
    }
    if (::ReadFile(handle(output_), buffer, sizeof buffer, &n, nullptr) == 0 || n == 0) return false;
    into.append(buffer, n);
  }
  return true;
}

void ChildProcess::signal(int number) {
  std::string name = (number == SIGINT ? "Local\\TolvanInterrupt-" : "Local\\TolvanStop-") + std::to_string(id_);
  HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, win::widen(name).c_str());
  if (event == nullptr) return;
  ::SetEvent(event);
  ::CloseHandle(event);
}

int ChildProcess::wait(Deadline deadline, bool& exited) {
  exited = ::WaitForSingleObject(handle(handle_), static_cast<DWORD>(msLeft(deadline))) == WAIT_OBJECT_0;
  if (!exited) return -1;
  DWORD status = 0;
  ::GetExitCodeProcess(handle(handle_), &status);
  ::CloseHandle(handle(handle_));
  id_ = handle_ = -1;
  return static_cast<int>(status);
}

int ChildProcess::kill() {
  ::TerminateProcess(handle(handle_), 137);
  ::WaitForSingleObject(handle(handle_), INFINITE);
  ::CloseHandle(handle(handle_));
  id_ = handle_ = -1;
  return -1;
}

void ChildProcess::closeOutput() {
  if (output_ >= 0) ::CloseHandle(handle(output_));
  output_ = -1;
}

}  // namespace tolvan::testing
