#pragma once
// The body of a download worker thread: fetches its job's URL into the job's buffer in up to
// five attempts, saves the file in one write and tells the job's window. Every failure that
// survives the attempts ends the process after a message box.
#include <cstdint>
#include <memory>

#include "download/packet_job.h"

// Returns the last HTTP client result; nobody uses it.
std::int32_t ThreadProc(std::shared_ptr<PacketJob> job);
