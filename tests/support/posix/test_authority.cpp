#include "support/test_authority.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/source_tools.h"


namespace testing_support {

namespace {

constexpr const char* anchor_variable = "LAUNCHER_EXTRA_CA_FILE";

std::filesystem::path certificate_script() { return source_tool("make_test_certs.sh"); }

}  // namespace

test_authority::test_authority() { ready_ = make() && trust(); }

test_authority::~test_authority() {
  if (ready_) stop_trusting();
}

std::vector<std::string> test_authority::server_options(server_certificate which) const {
  return {"--tls", certificate_file(which).string(), key_file(which).string()};
}

std::string test_authority::authority_file_for_server() const { return authority_file().string(); }

bool test_authority::make() {
  std::string script = certificate_script().string();
  std::string out = folder_.path().string();
  const pid_t pid = fork();
  if (pid == 0) {
    char bash[] = "bash";
    char* argv[] = {bash, script.data(), out.data(), nullptr};
    execvp(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::filesystem::exists(authority_file());
}

bool test_authority::trust() { return setenv(anchor_variable, authority_file().c_str(), 1) == 0; }

void test_authority::stop_trusting() { unsetenv(anchor_variable); }

}  // namespace testing_support
