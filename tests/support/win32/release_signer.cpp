#include "support/release_signer.h"

#include "support/source_tools.h"
#include "support/temp_folder.h"
#include "support/win32/unix_process.h"

namespace testing_support {

namespace {

// Runs the script with its arguments and its output file last; the output's text, or "".
std::string run_signing_script(std::vector<std::string> arguments, const temp_folder& work) {
  const std::filesystem::path out = work.path() / "out";
  arguments.insert(arguments.begin(), {"bash", source_tool("sign_for_tests.sh")});
  arguments.push_back(unix_path(out));
  if (!run_unix_process(arguments, work.path() / "signer.pid")) return {};
  return read_bytes(out);
}

}  // namespace

std::string make_release_key(const std::filesystem::path& key_file) {
  const temp_folder work;
  return run_signing_script({"key", unix_path(key_file)}, work);
}

std::string sign_release(const std::filesystem::path& key_file, const std::string& text) {
  const temp_folder work;
  write_bytes(work.path() / "text", text);
  return run_signing_script({"sign", unix_path(key_file), unix_path(work.path() / "text")}, work);
}

}  // namespace testing_support
