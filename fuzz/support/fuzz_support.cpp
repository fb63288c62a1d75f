#include "support/fuzz_support.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/text.h"

namespace fuzz {

namespace {

std::filesystem::path scratch_path;

void remove_scratch() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch_path, ignored);
}

}  // namespace

void fail(const char* property, const std::string& detail) {
  std::fprintf(stderr, "\n== property broken: %s\n== %s\n", property, detail.c_str());
  std::fflush(stderr);
  std::abort();
}

void isolate_process() {
  // A network of its own. Links the fuzzer makes up may name the hand-over socket of a launcher
  // the user runs (those sockets live in the network's abstract namespace), and a harness must
  // never reach a process it did not start. As root the network alone; otherwise with a user
  // namespace, which a user may make.
  if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
    fail("a private network (unshare)", std::strerror(errno));
  std::string pattern = (std::filesystem::temp_directory_path() / "launcher-fuzz-XXXXXX").string();
  if (!mkdtemp(pattern.data())) fail("a scratch folder", pattern);
  scratch_path = pattern;
  std::atexit(remove_scratch);
  // Nothing listens on port 1: a report is refused at once and goes nowhere.
  setenv("LAUNCHER_REPORT_HOST", "127.0.0.1:1", 1);
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
    const auto folder = scratch_path / name;
    std::filesystem::create_directories(folder);
    setenv(name, folder.c_str(), 1);
  }
}

const std::filesystem::path& scratch() { return scratch_path; }

std::filesystem::path fresh_folder(const std::string& name) {
  const auto folder = scratch_path / name;
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::create_directories(folder);
  return folder;
}

std::u16string core_folder(const std::filesystem::path& folder) {
  std::u16string text = platform::from_utf8(folder.string());
  std::replace(text.begin(), text.end(), u'/', u'\\');
  return text + u"\\";
}

std::u16string utf16_of(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  return text;
}

std::string read_file_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file_bytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) fail("the harness writes its file", file.string());
}

socket_pair::socket_pair() {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends_) != 0) fail("a socket pair", "");
  // Room for the whole answer at once: the harness writes it before the client reads.
  const int room = 1 << 20;
  setsockopt(ends_[1], SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  setsockopt(ends_[0], SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
  fcntl(ends_[0], F_SETFL, fcntl(ends_[0], F_GETFL) | O_NONBLOCK);
}

socket_pair::~socket_pair() {
  for (const int end : ends_)
    if (end >= 0) close(end);
}

int socket_pair::hand_over_client() {
  const int client = ends_[0];
  ends_[0] = -1;
  return client;
}

void socket_pair::answer_and_close(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(ends_[1], bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) fail("the whole answer fits the socket pair", std::to_string(bytes.size()));
    done += static_cast<std::size_t>(n);
  }
  shutdown(ends_[1], SHUT_WR);
}

std::string socket_pair::received_by_server() {
  std::string bytes;
  char buffer[4096];
  while (true) {
    const ssize_t n = recv(ends_[1], buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace fuzz
