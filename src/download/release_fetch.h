#pragma once
// The signed release's manifest and signature at each list's base address, fetched on a thread
// of their own: the window keeps answering the page and the player while they arrive (a
// manifest of a large game runs to megabytes) and learns of their arrival by WM_RELEASE_FETCHED.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "download/document_fetch.h"
#include "platform/event_loop.h"

inline constexpr std::uint32_t WM_RELEASE_FETCHED = 0x0466;  // wparam 0, lparam 0

struct ReleaseDocuments {
  FetchedDocument manifest;
  FetchedDocument signature;
};

class ReleaseFetch {
 public:
  ReleaseFetch();
  // Fetches the documents of each base address, one base after another, and then posts
  // WM_RELEASE_FETCHED to window. False when no thread could be started: no message comes.
  bool start(platform::window_handle window, std::vector<std::string> bases);
  // The documents in the order of the bases, once the message has come.
  std::vector<ReleaseDocuments> take();

 private:
  struct state;
  // Shared with the fetching thread, which runs detached: a player who closes the launcher
  // meanwhile does not wait for a slow server.
  std::shared_ptr<state> state_;
};
