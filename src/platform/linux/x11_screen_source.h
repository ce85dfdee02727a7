#pragma once
// The root window of the X display named by DISPLAY, taken through shared memory, with the cursor
// image of the XFixes extension. With the DAMAGE extension it tells an unchanged screen (content,
// cursor shape and pointer position) from a changed one; without it every wait reports a change.

#include <memory>

#include "platform/screen_source.h"

namespace vantaro::platform {

std::unique_ptr<ScreenSource> CreateX11ScreenSource();

}  // namespace vantaro::platform
