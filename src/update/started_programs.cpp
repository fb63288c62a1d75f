#include "update/started_programs.h"

bool isStartedProgram(std::u16string_view relativeName) {
  return relativeName == GAME_PROGRAM_NAME || relativeName == UPDATER_PROGRAM_NAME;
}
