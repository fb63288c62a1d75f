#include "download/packet_map.h"

#include <algorithm>
#include <vector>

#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/text.h"

std::uint32_t bytes_per_second(std::uint32_t total, std::uint32_t mark_bytes, std::uint32_t now,
                               std::uint32_t mark_time) {
  // A retried attempt counts its bytes from 0 again; the unsigned difference would report
  // gigabytes per second.
  if (total < mark_bytes) return 0;
  return (total - mark_bytes) / (now - mark_time + 1) * 1000;
}

CPacketMap::CPacketMap() : cursor_(entries_.end()), mark_time_(platform::tick_count()) {}

bool CPacketMap::Accepts(const std::u16string& directory, const std::u16string& name,
                         const std::u16string& url) {
  return packet_text_fits(platform::to_ansi(url)) &&
         packet_text_fits(platform::to_ansi(directory + name));
}

CPacket* CPacketMap::AddPacket(platform::window_handle wnd, const std::u16string& directory,
                               const std::u16string& name, const std::u16string& url,
                               const std::u16string& extension) {
  const auto id = static_cast<std::int32_t>(entries_.size());
  if (!Accepts(directory, name, url)) {
    LOG_LINE(LOG_ERROR, "CPacketMap::AddPacket")
        << "job refused, address or path longer than " << PACKET_TEXT_MAX
        << " bytes: id=" << id << ", lpURL=" << platform::to_ansi(url)
        << ", lpName=" << platform::to_ansi(directory + name);
    return nullptr;
  }
  auto packet = std::make_unique<CPacket>(id, wnd, directory, name, url, extension);
  CPacket* added = packet.get();
  entries_.emplace(id, std::move(packet));
  return added;
}

void CPacketMap::StartAll(const packet_launcher& launch, std::size_t max_transfers) {
  std::vector<std::shared_ptr<PacketJob>> waiting;
  for (auto& [id, packet] : entries_)
    if (packet->GetJob() == nullptr) waiting.push_back(packet->Start());
  if (!waiting.empty()) {
    auto queue = std::make_shared<transfer_queue>(std::move(waiting));
    const std::size_t workers = std::min(std::max<std::size_t>(max_transfers, 1), queue->size());
    for (std::size_t i = 0; i < workers; ++i) launch(queue);
  }
  mark_time_ = platform::tick_count();
}

CPacket* CPacketMap::First() {
  cursor_ = entries_.begin();
  return cursor_ == entries_.end() ? nullptr : cursor_->second.get();
}

CPacket* CPacketMap::Next() {
  if (cursor_ == entries_.end()) return nullptr;
  ++cursor_;
  return cursor_ == entries_.end() ? nullptr : cursor_->second.get();
}

std::uint32_t CPacketMap::TotalReceived() const {
  std::uint32_t total = 0;
  for (const auto& [id, packet] : entries_)
    total += static_cast<std::uint32_t>(packet->GetReceived());
  return total;
}

std::uint32_t CPacketMap::BytesPerSecond() const {
  return bytes_per_second(TotalReceived(), mark_bytes_, platform::tick_count(), mark_time_);
}

std::uint32_t CPacketMap::MarkProgress() {
  mark_time_ = platform::tick_count();
  mark_bytes_ = TotalReceived();
  return mark_bytes_;
}

bool CPacketMap::AllFinished() const {
  for (const auto& [id, packet] : entries_)
    if (!packet->IsFinished()) return false;
  return true;
}

bool CPacketMap::AllReceiving() const {
  for (const auto& [id, packet] : entries_)
    if (packet->IsRunning() && packet->GetReceived() == 0) return false;
  return true;
}

bool CPacketMap::IsFinished(std::int32_t id) const {
  const CPacket* job = Find(id);
  return job != nullptr && job->IsFinished();
}

const CPacket* CPacketMap::Find(std::int32_t id) const {
  const auto found = entries_.find(id);
  return found == entries_.end() ? nullptr : found->second.get();
}
