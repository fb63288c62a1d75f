#pragma once
// The table of the run's download jobs and the progress queries over it. Used by the main
// thread only; the job counters it reads are written by the workers.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "download/packet.h"

class CPacketMap {
 public:
  CPacketMap();

  // Whether AddPacket would take this job: its URL and path fit the job's record.
  static bool Accepts(const std::u16string& directory, const std::u16string& name,
                      const std::u16string& url);
  // Adds a job with the next id (0, 1, 2, ... in order of addition). A job whose URL or path
  // would not fit its record is refused: it is logged as an error and null is returned.
  CPacket* AddPacket(platform::window_handle wnd, const std::u16string& directory,
                     const std::u16string& name, const std::u16string& url,
                     const std::u16string& extension);
  std::uint32_t Count() const { return static_cast<std::uint32_t>(entries_.size()); }
  // Starts the jobs not started yet: their records wait in ascending id order for at most
  // max_transfers workers, each of which takes the next job when its transfer ends. Then
  // restarts the speed measurement.
  void StartAll(const packet_launcher& launch = launch_worker_thread,
                std::size_t max_transfers = MAX_TRANSFERS);

  // The walk over the jobs in id order; null at the end.
  CPacket* First();
  CPacket* Next();

  // The queries below read the job counters, so they belong after StartAll.
  std::uint32_t TotalReceived() const;
  std::uint32_t BytesPerSecond() const;
  // Remembers now and the current total as the base of BytesPerSecond; returns that total.
  std::uint32_t MarkProgress();
  bool AllFinished() const;
  // Whether every running transfer has received bytes; jobs waiting for a worker and jobs
  // that ended do not count.
  bool AllReceiving() const;
  bool IsFinished(std::int32_t id) const;
  // The job with this id; null when there is none.
  const CPacket* Find(std::int32_t id) const;

 private:
  using table = std::map<std::int32_t, std::unique_ptr<CPacket>>;
  table entries_;
  table::iterator cursor_;
  std::uint32_t mark_bytes_ = 0;
  std::uint32_t mark_time_;
};

// Bytes per second since the mark, in whole thousands: the integer division comes before the
// multiplication. A total below the mark (a job restarted its count) gives 0.
std::uint32_t bytes_per_second(std::uint32_t total, std::uint32_t mark_bytes, std::uint32_t now,
                               std::uint32_t mark_time);
