#pragma once
// What the control server hands on to the parts that carry commands out. The control thread calls
// every method here; payload pointers are valid for the duration of the call only, and `size` is
// the number of payload bytes actually received (the message minus its 8-byte head and, for framed
// messages, its CR LF), so a handler never reads past them.

#include <cstddef>
#include <cstdint>

namespace vantaro::control {

class InputHandler {
 public:
  virtual ~InputHandler() = default;
  virtual void OnPointer(const uint8_t* payload, size_t size) = 0;  // 600
  virtual void OnKey(const uint8_t* payload, size_t size) = 0;      // 601
  // The control session ended: whatever it still holds pressed is released.
  virtual void OnSessionEnded() = 0;
};

class StreamHandler {
 public:
  virtual ~StreamHandler() = default;
  // 400 with the int32 at payload offset 0 (0 when the payload is shorter). Sends no reply.
  virtual void OnStartStream(int32_t sizeOption) = 0;
  // 301: stops the media of the current mode. The control server sends the reply and the status.
  virtual void OnEndMode() = 0;
  // The service is closing: stop every stream and wait for its thread.
  virtual void StopAll() = 0;
};

class FileRequestHandler {
 public:
  virtual ~FileRequestHandler() = default;
  // 500: the payload is a 28-byte data header followed by the path text.
  virtual void OnFileOperation(const uint8_t* payload, size_t size) = 0;
  // 501.
  virtual void OnStopFileOperation() = 0;
};

class PowerHandler {
 public:
  virtual ~PowerHandler() = default;
  // 700 to 703 with the delay in milliseconds.
  virtual void OnPowerCommand(int32_t code, int32_t delayMs) = 0;
};

// Handlers that do nothing, for the commands of parts that are not present.
class NullHandlers : public InputHandler,
                     public StreamHandler,
                     public FileRequestHandler,
                     public PowerHandler {
 public:
  void OnPointer(const uint8_t*, size_t) override {}
  void OnKey(const uint8_t*, size_t) override {}
  void OnSessionEnded() override {}
  void OnStartStream(int32_t) override {}
  void OnEndMode() override {}
  void StopAll() override {}
  void OnFileOperation(const uint8_t*, size_t) override {}
  void OnStopFileOperation() override {}
  void OnPowerCommand(int32_t, int32_t) override {}
};

}  // namespace vantaro::control
