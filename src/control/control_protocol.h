#pragma once
// The control channel's codes and the records the control server reads and builds. All integers
// are little-endian int32, read and written field by field.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantaro::control {

enum CommandCode : int32_t {
  CmdHandshake = 200,
  CmdSecurityCode = 202,
  CmdSelectMode = 300,
  CmdEndMode = 301,
  CmdStartStream = 400,
  CmdFileOperation = 500,
  CmdStopFileOperation = 501,
  CmdPointer = 600,
  CmdKey = 601,
  CmdHibernate = 700,
  CmdReboot = 701,
  CmdLogOff = 702,
  CmdShutDown = 703,
};

enum ReplyCode : int32_t {
  RspSecurityRequired = 2000,
  RspWelcome = 2001,
  RspModeEnded = 2002,
  RspSecurityCodeWrong = 2003,
  RspModeAccepted = 2006,
  RspModeRejected = 2008,
  RspOperationDone = 2011,
  RspOperationFailed = 2012,
};

inline constexpr size_t kControlBufferSize = 1024;
inline constexpr size_t kControlHeadSize = 8;    // code and length
inline constexpr size_t kFirstReceiveSize = 10;  // the shortest framed message
inline constexpr int32_t kWelcomeMarker = 8081;

// Codes whose messages are read up to their CR LF.
bool IsFramedCode(int32_t code);

// Little-endian int32 at `offset` of `bytes`; bytes beyond `size` read as zero, as they would from
// a zeroed receive buffer.
int32_t ReadInt32(const uint8_t* bytes, size_t size, size_t offset);

// Appends `value` as four little-endian bytes.
void AppendInt32(std::string& out, int32_t value);

// code, 0, CR LF: 10 bytes.
std::string BuildShortReply(int32_t code);

// 2001 with the server version and whether a camera and a microphone exist: 30 bytes.
std::string BuildWelcomeReply(int32_t serverVersion, bool cameraAvailable,
                              bool microphoneAvailable);

struct HandshakeRequest {
  int32_t check_number = 0;
  int32_t app_mode = 0;
  int32_t app_version = 0;
  int32_t device_display_width = 0;
  int32_t device_display_height = 0;
  int32_t device_name_length = 0;
  std::string device_name;  // UTF-8, cut to the bytes actually received
};

// Parses the payload of 200. `device_name_length` is kept as sent; the name holds only the bytes
// that the payload really carries.
HandshakeRequest ParseHandshake(const uint8_t* payload, size_t size);

}  // namespace vantaro::control
