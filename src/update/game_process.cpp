#include "update/game_process.h"

#include "platform/process_list.h"
#include "platform/text.h"

std::uint32_t findProcessByName(std::u16string_view name) {
  for (auto& process : platform::list_processes()) {
    platform::to_lower(process.program_path);
    if (process.program_path.find(name) != std::u16string::npos) return process.id;
  }
  return 0;
}

bool killProcess(std::uint32_t processId) { return platform::terminate_process(processId); }
