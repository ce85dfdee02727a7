#include "desktop/media_packet.h"

#include <chrono>
#include <cstring>

namespace vantaro::desktop {

namespace {

void PutLe32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutLe64(uint8_t* at, uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr uint8_t kTerminator[kMediaTrailerSize] = {'\n', 'k', 'v', 'r', 't', '\n'};

}  // namespace

bool BuildMediaPacket(int32_t type, double time, const uint8_t* payload, size_t size,
                      std::vector<uint8_t>* out) {
  out->clear();
  if (size > kMaxMediaPayload || (size > 0 && payload == nullptr)) return false;
  out->resize(size + kMediaOverhead);
  uint8_t* p = out->data();
  PutLe32(p, static_cast<uint32_t>(type));
  PutLe32(p + 4, static_cast<uint32_t>(size));
  uint64_t timeBits;
  static_assert(sizeof(timeBits) == sizeof(time));
  std::memcpy(&timeBits, &time, sizeof(timeBits));
  PutLe64(p + 8, timeBits);
  if (size > 0) std::memcpy(p + kMediaHeaderSize, payload, size);
  std::memcpy(p + kMediaHeaderSize + size, kTerminator, kMediaTrailerSize);
  return true;
}

bool SendMediaPacket(app::DataConnection& connection, int32_t type, double time,
                     const uint8_t* payload, size_t size, std::vector<uint8_t>& scratch) {
  if (!BuildMediaPacket(type, time, payload, size, &scratch)) return false;
  return connection.SendMessage(scratch.data(), scratch.size());
}

bool SendMediaPacket(app::DataConnection& connection, int32_t type, double time,
                     const uint8_t* payload, size_t size) {
  std::vector<uint8_t> scratch;
  return SendMediaPacket(connection, type, time, payload, size, scratch);
}

std::vector<uint8_t> VideoFormatPayload(int32_t width, int32_t height) {
  std::vector<uint8_t> payload(12);
  PutLe32(payload.data(), static_cast<uint32_t>(width));
  PutLe32(payload.data() + 4, static_cast<uint32_t>(height));
  PutLe32(payload.data() + 8, static_cast<uint32_t>(kNominalFramesPerSecond));
  return payload;
}

double WholeSecondsNow() {
  auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<double>(std::chrono::floor<std::chrono::seconds>(now).count());
}

}  // namespace vantaro::desktop
