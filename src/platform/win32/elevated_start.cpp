#include "platform/win32/elevated_start.h"

#include <shellapi.h>

#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

constexpr std::wstring_view blanks = L" \t";

std::wstring_view without_leading_blanks(std::wstring_view text) {
  const auto first = text.find_first_not_of(blanks);
  return first == std::wstring_view::npos ? std::wstring_view() : text.substr(first);
}

bool names_file(const std::wstring& path) {
  for (const std::wstring& candidate : {path, path + L".exe"}) {
    const DWORD attributes = GetFileAttributesW(candidate.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return true;
  }
  return false;
}

}  // namespace

program_and_arguments split_program(std::wstring_view command_line) {
  const std::wstring_view line = without_leading_blanks(command_line);
  if (!line.empty() && line.front() == L'"') {
    const auto closing = line.find(L'"', 1);
    if (closing == std::wstring_view::npos) return {std::wstring(line.substr(1)), {}};
    return {std::wstring(line.substr(1, closing - 1)),
            std::wstring(without_leading_blanks(line.substr(closing + 1)))};
  }
  for (auto blank = line.find_first_of(blanks); blank != std::wstring_view::npos;
       blank = line.find_first_of(blanks, blank + 1)) {
    std::wstring program(line.substr(0, blank));
    if (names_file(program))
      return {std::move(program), std::wstring(without_leading_blanks(line.substr(blank + 1)))};
  }
  return {std::wstring(line), {}};
}

DWORD start_with_consent(std::u16string_view command_line) {
  const program_and_arguments parts = split_program(to_wide(command_line));
  // Named, as an elevated program would otherwise start in the system folder.
  const std::wstring folder = to_wide(current_directory());

  SHELLEXECUTEINFOW request{};
  request.cbSize = sizeof request;
  // Done before the call returns (the launcher is about to end); failures are the caller's to
  // report, not the shell's to show.
  request.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  request.lpVerb = L"runas";
  request.lpFile = parts.program.c_str();
  request.lpParameters = parts.arguments.empty() ? nullptr : parts.arguments.c_str();
  request.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  request.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&request)) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

}  // namespace platform::win32
