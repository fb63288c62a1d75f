#pragma once
// One transfer on a download worker thread: fetches its job's URL in up to five attempts,
// writing the body to disk as it arrives (download/body_file.h), and tells the job's window. Every failure that
// survives the attempts ends the process after a message box.
#include <cstdint>
#include <memory>

#include "download/packet_job.h"

// Returns the last HTTP client result; nobody uses it.
std::int32_t ThreadProc(std::shared_ptr<PacketJob> job);
