#pragma once
// The 28-byte head of every data-channel message: seven little-endian int32 fields, read and written
// field by field. Every data message ends with the six-byte terminator "\nkvrt\n".

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantaro::files {

inline constexpr size_t kDataHeaderSize = 28;
inline constexpr char kDataTerminator[] = "\nkvrt\n";
inline constexpr size_t kDataTerminatorSize = 6;

struct DataHeader {
  int32_t operator_mode = 0;
  int32_t file_send_mode = 0;
  int32_t file_current_number = 0;
  int32_t file_total_number = 0;
  int32_t is_folder = 0;
  int32_t file_path_length = 0;
  int32_t file_data_length = 0;
};

inline int32_t ReadLe32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                              uint32_t(p[3]) << 24);
}

inline void AppendLe32(std::string& out, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xff));
}

// `bytes` must hold at least kDataHeaderSize bytes.
inline DataHeader ParseDataHeader(const uint8_t* bytes) {
  DataHeader h;
  h.operator_mode = ReadLe32(bytes);
  h.file_send_mode = ReadLe32(bytes + 4);
  h.file_current_number = ReadLe32(bytes + 8);
  h.file_total_number = ReadLe32(bytes + 12);
  h.is_folder = ReadLe32(bytes + 16);
  h.file_path_length = ReadLe32(bytes + 20);
  h.file_data_length = ReadLe32(bytes + 24);
  return h;
}

inline void AppendDataHeader(std::string& out, const DataHeader& h) {
  AppendLe32(out, h.operator_mode);
  AppendLe32(out, h.file_send_mode);
  AppendLe32(out, h.file_current_number);
  AppendLe32(out, h.file_total_number);
  AppendLe32(out, h.is_folder);
  AppendLe32(out, h.file_path_length);
  AppendLe32(out, h.file_data_length);
}

}  // namespace vantaro::files
