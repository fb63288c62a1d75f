#pragma once
// What the harnesses share: a process kept away from the real home and the report server, a
// scratch folder, the fuzzer's bytes as UTF-16 text, a connected socket pair that stands in
// for a server, and the check that turns a broken property into a finding.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzz {

// Prints what broke and aborts: libFuzzer saves the input and prints how to replay it.
[[noreturn]] void fail(const char* property, const std::string& detail);

// Called from LLVMFuzzerInitialize. The harness gets a network of its own, ERROR lines go to a
// closed loopback port instead of the report server, and the user folders (identity, protocol
// handler) to the scratch folder.
void isolate_process();

// This process's scratch folder, made by isolate_process and removed at exit.
const std::filesystem::path& scratch();
// A folder of the scratch folder, emptied (created when missing).
std::filesystem::path fresh_folder(const std::string& name);
// A path in the launcher's own form: "\" separators, and a trailing "\" for a folder.
std::u16string core_folder(const std::filesystem::path& folder);

// Each pair of bytes is one UTF-16 code unit, little-endian; an odd last byte is dropped.
std::u16string utf16_of(const std::uint8_t* data, std::size_t size);

std::string read_file_bytes(const std::filesystem::path& file);
void write_file_bytes(const std::filesystem::path& file, const std::string& bytes);

// Two connected stream sockets: the client end for an HTTPClientContext (non-blocking), the
// server end for the harness. Both are closed with the pair.
class socket_pair {
 public:
  socket_pair();
  ~socket_pair();
  socket_pair(const socket_pair&) = delete;
  socket_pair& operator=(const socket_pair&) = delete;

  // The client end, handed to an HTTPClientContext, which closes it when it is freed.
  int hand_over_client();
  // Writes the bytes as the server's whole answer and closes the server's sending side.
  void answer_and_close(const std::string& bytes);
  // Everything the client has sent so far.
  std::string received_by_server();

 private:
  int ends_[2] = {-1, -1};
};

}  // namespace fuzz

#define FUZZ_CHECK(condition, detail) \
  ((condition) ? static_cast<void>(0) : ::fuzz::fail(#condition, (detail)))
