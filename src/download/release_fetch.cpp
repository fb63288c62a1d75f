#include "download/release_fetch.h"

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "release/release_manifest.h"
#include "release/release_signature.h"

namespace {

// Far above any manifest of a release the launcher can hold, far below what would hurt.
constexpr std::size_t MANIFEST_LIMIT = 64 * 1024 * 1024;
constexpr std::size_t SIGNATURE_LIMIT = 1024;

}  // namespace

struct ReleaseFetch::state {
  std::mutex mutex;
  std::vector<ReleaseDocuments> documents;
};

ReleaseFetch::ReleaseFetch() : state_(std::make_shared<state>()) {}

bool ReleaseFetch::start(platform::window_handle window, std::vector<std::string> bases) {
  try {
    std::thread([window, bases = std::move(bases), shared = state_] {
      std::vector<ReleaseDocuments> documents;
      for (const auto& base : bases)
        documents.push_back({fetchDocument(base + RELEASE_MANIFEST_FILE, MANIFEST_LIMIT),
                             fetchDocument(base + RELEASE_SIGNATURE_FILE, SIGNATURE_LIMIT)});
      {
        const std::lock_guard lock(shared->mutex);
        shared->documents = std::move(documents);
      }
      platform::post_message(window, WM_RELEASE_FETCHED, 0, 0);
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

std::vector<ReleaseDocuments> ReleaseFetch::take() {
  const std::lock_guard lock(state_->mutex);
  return std::exchange(state_->documents, {});
}
