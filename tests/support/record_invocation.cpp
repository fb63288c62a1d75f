// Stands in for the updater and the game: appends its arguments and working folder to the
// file named by RECORD_INVOCATION_FILE, one line each, then a line "--".
#include <cstdlib>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
  const char* record = std::getenv("RECORD_INVOCATION_FILE");
  if (!record) return 2;
  std::ofstream out(record, std::ios::app | std::ios::binary);
  out << "cwd=" << std::filesystem::current_path().string() << "\n";
  for (int i = 1; i < argc; ++i) out << "arg=" << argv[i] << "\n";
  out << "--\n";
  return 0;
}
