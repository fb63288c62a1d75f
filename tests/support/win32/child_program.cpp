// Child processes through CreateProcessW, with standard output and error on one pipe.
#include "support/child_program.h"

#include <windows.h>

#include <chrono>
#include <cwctype>

#include "platform/command_line.h"
#include "platform/text.h"

namespace testing_support {

namespace {

std::wstring wide(const std::string& ansi) {
  const std::u16string text = platform::from_ansi(ansi);
  return std::wstring(text.begin(), text.end());
}

std::wstring upper(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

// The current environment with the extra variables set, as a CreateProcessW block.
std::wstring environment_block(const std::map<std::string, std::string>& extra) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : extra) {
    const std::wstring key = upper(wide(name)) + L"=";
    std::erase_if(entries, [&](const std::wstring& e) { return upper(e).rfind(key, 0) == 0; });
    entries.push_back(wide(name) + L"=" + wide(value));
  }
  std::wstring out;
  for (const auto& e : entries) out += e + L'\0';
  out += L'\0';
  return out;
}

struct handle_closer {
  HANDLE handle;
  ~handle_closer() {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

}  // namespace

child_result run_child(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::filesystem::path& working_folder,
                       const std::map<std::string, std::string>& extra_environment,
                       int timeout_ms) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) return {};
  handle_closer read_closer{read_end};
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  std::vector<std::u16string> words{program.u16string()};
  for (const auto& a : args) words.push_back(platform::from_ansi(a));
  const std::u16string joined = platform::join_command_line(words);
  std::wstring command_line(joined.begin(), joined.end());
  std::wstring environment = environment_block(extra_environment);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION started{};
  const BOOL ok = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE,
                                 CREATE_UNICODE_ENVIRONMENT, environment.data(),
                                 working_folder.wstring().c_str(), &startup, &started);
  CloseHandle(write_end);
  if (!ok) return {};
  handle_closer process{started.hProcess};
  handle_closer thread{started.hThread};

  // Read until every holder of the pipe has closed it, within the time limit.
  child_result result;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  bool timed_out = false;
  char buffer[4096];
  while (true) {
    if (std::chrono::steady_clock::now() >= end) {
      timed_out = true;
      break;
    }
    DWORD available = 0;
    if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available == 0) {
      Sleep(5);
      continue;
    }
    DWORD got = 0;
    if (!ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
    result.output.append(buffer, got);
  }
  if (timed_out) {
    TerminateProcess(started.hProcess, 1);
    WaitForSingleObject(started.hProcess, 5000);
    return result;
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      end - std::chrono::steady_clock::now()).count();
  if (WaitForSingleObject(started.hProcess, static_cast<DWORD>(left > 0 ? left : 0)) != WAIT_OBJECT_0) {
    TerminateProcess(started.hProcess, 1);
    return result;
  }
  DWORD code = 0;
  GetExitCodeProcess(started.hProcess, &code);
  result.exit_code = static_cast<int>(code);
  return result;
}

}  // namespace testing_support
