#include "download/packet.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "download/download_failure.h"
#include "download/thread_proc.h"
#include "log/log_manager.h"
#include "platform/text.h"

namespace {

// Window handles print as pointers do on the launcher's home system: eight upper-case
// hexadecimal digits.
std::string handle_text(platform::window_handle wnd) {
  char text[2 * sizeof(wnd) + 1];
  std::snprintf(text, sizeof text, "%08" PRIXPTR, wnd);
  return text;
}

// The record's fields are zero-filled, so copying at most PACKET_TEXT_MAX bytes keeps the
// terminator. Texts that long are refused when the job is added; the cut only guards the
// record should a caller skip that check.
void copy_text(char (&field)[PACKET_TEXT_MAX + 1], const std::string& text) {
  std::memcpy(field, text.data(), std::min(text.size(), PACKET_TEXT_MAX));
}

}  // namespace

void start_detached_thread(std::function<void()> body) { std::thread(std::move(body)).detach(); }

packet_launcher worker_thread_launcher(detached_thread_starter start_thread) {
  return [start_thread = std::move(start_thread)](std::shared_ptr<transfer_queue> queue) {
    const platform::window_handle wnd = queue->window();
    try {
      start_thread([queue = std::move(queue)] {
        while (std::shared_ptr<PacketJob> job = queue->take()) ThreadProc(std::move(job));
      });
    } catch (const std::system_error& error) {
      // No room for another thread (its stack is address space too): the update cannot go on.
      LOG_LINE(LOG_ERROR, "CPacket::Start") << "cannot start the download worker: " << error.what();
      end_update_after_failed_download(wnd, "CPacket::Start");
    }
  };
}

void launch_worker_thread(std::shared_ptr<transfer_queue> queue) {
  worker_thread_launcher(start_detached_thread)(std::move(queue));
}

bool packet_text_fits(const std::string& narrow) { return narrow.size() <= PACKET_TEXT_MAX; }

CPacket::CPacket(std::int32_t packet_id, platform::window_handle window, std::u16string directory,
                 std::u16string name, std::u16string url, std::u16string extension)
    : id(packet_id),
      wnd(window),
      name_(std::move(name)),
      extension_(std::move(extension)),
      url_(std::move(url)),
      directory_(std::move(directory)) {}

std::shared_ptr<PacketJob> CPacket::Start() {
  const std::string url = platform::to_ansi(url_);
  const std::string path = platform::to_ansi(GetPath());
  LOG_LINE(LOG_INFO, "CPacket::Start") << "id=" << id << ", wnd=" << handle_text(wnd)
                                       << ", lpURL=" << url << ", lpName=" << path;
  auto job = std::make_shared<PacketJob>();
  job->id = id;
  copy_text(job->lpURL, url);
  job->wnd = wnd;
  copy_text(job->lpName, path);
  job->savePath = GetPath();
  job->byte_limit = byte_limit_;
  job_ = job;
  return job;
}

bool CPacket::IsFinished() const {
  return job_ && job_->thread_status.load(std::memory_order_relaxed) == PACKET_DONE;
}

bool CPacket::IsRunning() const {
  return job_ && job_->thread_status.load(std::memory_order_relaxed) == PACKET_RUNNING;
}

std::int32_t CPacket::GetTotalSize() const {
  return job_ ? job_->totalsize.load(std::memory_order_relaxed) : 0;
}

std::int32_t CPacket::GetReceived() const {
  return job_ ? job_->bufsize.load(std::memory_order_relaxed) : 0;
}
