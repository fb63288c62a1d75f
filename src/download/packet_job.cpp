#include "download/packet_job.h"

PacketJob::PacketJob() : buffer(std::make_unique_for_overwrite<char[]>(PACKET_BUFFER_BYTES)) {}
