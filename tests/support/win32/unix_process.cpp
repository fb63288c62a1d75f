#include "support/win32/unix_process.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/command_line.h"
#include "platform/text.h"

namespace testing_support {

namespace {

using unix_file_name = char*(CDECL*)(const wchar_t*);

std::wstring wide(const std::string& utf8) {
  const std::u16string text = platform::from_utf8(utf8);
  return std::wstring(text.begin(), text.end());
}

// Runs a Linux program with the given arguments; Wine splits the command line by the
// Windows rules, which join_command_line follows.
bool run_unix(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::u16string> parts{platform::from_utf8(program)};
  for (const auto& a : arguments) parts.push_back(platform::from_utf8(a));
  const std::u16string line16 = platform::join_command_line(parts);
  std::wstring line(line16.begin(), line16.end());
  const std::wstring image = L"Z:" + wide(program);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(image.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started))
    return false;
  if (started.hProcess) CloseHandle(started.hProcess);
  if (started.hThread) CloseHandle(started.hThread);
  return true;
}

}  // namespace

std::string unix_path(const std::filesystem::path& windows_path) {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC found = kernel ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
  if (!found) return {};
  const auto convert = reinterpret_cast<unix_file_name>(reinterpret_cast<void*>(found));
  char* converted = convert(windows_path.wstring().c_str());
  if (!converted) return {};
  std::string result(converted);
  HeapFree(GetProcessHeap(), 0, converted);
  return result;
}

bool unix_process_running(int pid) {
  // No handle to wait on: read the state letter from /proc, where "Z" is an ended process.
  std::ifstream stat(std::filesystem::path(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat"));
  std::string line;
  if (!std::getline(stat, line)) return false;
  const auto name_end = line.rfind(')');
  return name_end != std::string::npos && name_end + 2 < line.size() && line[name_end + 2] != 'Z';
}

int start_unix_process(const std::vector<std::string>& argv, const std::filesystem::path& pid_file) {
  const std::string pid_path = unix_path(pid_file);
  if (argv.empty() || pid_path.empty()) return -1;
  std::vector<std::string> arguments{
      "-c", "echo $$ > \"$0.tmp\" && mv \"$0.tmp\" \"$0\" && exec \"$@\"", pid_path};
  arguments.insert(arguments.end(), argv.begin(), argv.end());
  if (!run_unix("/bin/sh", arguments)) return -1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < end) {
    std::ifstream in(pid_file);
    int pid = 0;
    if (in >> pid && pid > 0) return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

bool run_unix_process(const std::vector<std::string>& argv, const std::filesystem::path& pid_file,
                      int limit_s) {
  const int pid = start_unix_process(argv, pid_file);
  if (pid <= 0) return false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(limit_s);
  while (unix_process_running(pid) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return !unix_process_running(pid);
}

void stop_unix_process(int pid) {
  if (pid <= 0) return;
  run_unix("/bin/kill", {"-TERM", std::to_string(pid)});
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (unix_process_running(pid) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (unix_process_running(pid)) run_unix("/bin/kill", {"-KILL", std::to_string(pid)});
}

}  // namespace testing_support
