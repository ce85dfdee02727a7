// The Windows views of the window are not built yet, so the server runs headless there, as it
// does elsewhere on a computer without a display.

#include "platform/display.h"

namespace vantaro::platform {

bool DisplayAvailable() { return false; }

}  // namespace vantaro::platform
