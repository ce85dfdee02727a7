#pragma once
// The media packet in which every video and audio stream travels to the device on the data
// connection: type, payload length, a time value, the payload and the data-channel terminator.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/data_connection.h"

namespace vantaro::desktop {

enum MediaPacketType : int32_t {
  kPacketVideoFrame = 2001,
  kPacketAudioData = 2002,
  kPacketVideoFormat = 2003,
  kPacketAudioFormat = 2004,
};

inline constexpr size_t kMediaHeaderSize = 16;
inline constexpr size_t kMediaTrailerSize = 6;  // "\nkvrt\n"
inline constexpr size_t kMediaOverhead = kMediaHeaderSize + kMediaTrailerSize;
// The payload length field is a signed 32-bit value; larger payloads cannot be described.
inline constexpr size_t kMaxMediaPayload = 0x7fffffff - kMediaOverhead;
inline constexpr int32_t kNominalFramesPerSecond = 25;

// Appends the whole packet (N + 22 bytes) to `out`, which is cleared first. False, with `out`
// empty, when the payload is too long for the length field.
bool BuildMediaPacket(int32_t type, double time, const uint8_t* payload, size_t size,
                      std::vector<uint8_t>* out);

// Builds the packet in `scratch` (reused between calls to spare allocations) and writes it as one
// message on `connection`, so that packets of different senders never interleave. Any thread.
// False when there is no connection, it failed, or the payload is too long.
bool SendMediaPacket(app::DataConnection& connection, int32_t type, double time,
                     const uint8_t* payload, size_t size, std::vector<uint8_t>& scratch);
// The same with a buffer of its own.
bool SendMediaPacket(app::DataConnection& connection, int32_t type, double time,
                     const uint8_t* payload, size_t size);

// The 12-byte payload of a video format packet: width, height, frames per second.
std::vector<uint8_t> VideoFormatPayload(int32_t width, int32_t height);

// The time value of frame, data and format packets: the calendar time in whole seconds.
double WholeSecondsNow();

}  // namespace vantaro::desktop
