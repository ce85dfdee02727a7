#pragma once
// What the other services may know of, and do with, the current control session. Implemented by
// the control server; thread-safe.

#include <cstdint>

namespace vantaro::control {

class ControlSession {
 public:
  virtual ~ControlSession() = default;
  // IPv4 address (host order) of the device of the current control session; 0 when none.
  virtual uint32_t SessionPeerAddress() = 0;
  // The session may use the services: the security code was given when one is required.
  virtual bool SessionAuthorised() = 0;
  // A 10-byte short reply (code, 0, CR LF) in one send on the control connection; nothing when no
  // session is connected.
  virtual void SendStatusReply(int32_t code) = 0;
};

}  // namespace vantaro::control
