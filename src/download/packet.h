#pragma once
// One download job: what to fetch, where to save it, and the record its worker fills.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "download/packet_job.h"
#include "download/transfer_queue.h"
#include "platform/event_loop.h"

// Starts one download worker, which runs the queue's jobs one after another until none is
// left. The real one runs ThreadProc on a detached thread; queue and records are shared with
// it, so a worker never outlives them whoever lets go first.
using packet_launcher = std::function<void(std::shared_ptr<transfer_queue>)>;
void launch_worker_thread(std::shared_ptr<transfer_queue> queue);

// Runs body on a thread left to end by itself; throws std::system_error when the system has no
// thread to give. The real one is std::thread's.
using detached_thread_starter = std::function<void(std::function<void()> body)>;
void start_detached_thread(std::function<void()> body);
// The real launcher with threads from start_thread: a worker that cannot be started ends the
// update like a failed download.
packet_launcher worker_thread_launcher(detached_thread_starter start_thread);

class CPacket {
 public:
  CPacket(std::int32_t packet_id, platform::window_handle window, std::u16string directory,
          std::u16string name, std::u16string url, std::u16string extension);

  // Refuses a body longer than bytes (the signed release's size of the package); before Start.
  void LimitBody(std::int32_t bytes) { byte_limit_ = bytes + 1; }
  // Creates the job record, which waits for a worker from then on. Called once per job.
  std::shared_ptr<PacketJob> Start();

  bool IsFinished() const;
  // Whether a worker is transferring it now: started, taken and not ended.
  bool IsRunning() const;
  std::int32_t GetTotalSize() const;
  std::int32_t GetReceived() const;
  std::u16string GetName() const { return name_; }
  std::u16string GetDirectory() const { return directory_; }
  std::u16string GetExtension() const { return extension_; }
  std::u16string GetUrl() const { return url_; }
  // The saved file: directory followed directly by name, with no separator added.
  std::u16string GetPath() const { return directory_ + name_; }
  // Null until Start.
  const PacketJob* GetJob() const { return job_.get(); }

  const std::int32_t id;
  const platform::window_handle wnd;

 private:
  std::u16string name_;
  std::u16string extension_;
  std::u16string url_;
  std::u16string directory_;
  std::shared_ptr<PacketJob> job_;
  std::int32_t byte_limit_ = MAX_PACKET_BYTES;
};

// The narrow form of a job's URL or path, as its record holds it; false when it does not fit
// the record (more than PACKET_TEXT_MAX bytes).
bool packet_text_fits(const std::string& narrow);
