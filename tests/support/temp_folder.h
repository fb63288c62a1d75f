#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it.
#include <cstddef>
#include <filesystem>
#include <string>

namespace testing_support {

class temp_folder {
 public:
  temp_folder();
  ~temp_folder();
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder in the launcher's own form: "\" separators and a trailing "\".
  std::u16string core_folder() const;

 private:
  std::filesystem::path path_;
};

std::string read_bytes(const std::filesystem::path& file);
void write_bytes(const std::filesystem::path& file, const std::string& bytes);
// n bytes of every value, the same for the same seed: bodies whose corruption would show.
std::string random_bytes(std::size_t n, unsigned seed);
std::u16string core_path(const std::filesystem::path& path);

}  // namespace testing_support
