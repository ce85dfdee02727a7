#pragma once
// Whether a graphical session can be reached, so that the program can choose between its window
// and running headless before any toolkit tries (and aborts) to connect.

namespace vantaro::platform {

// True when the display named by the environment accepts a connection, or when a toolkit
// platform is forced (QT_QPA_PLATFORM, such as the off-screen one of the tests).
bool DisplayAvailable();

}  // namespace vantaro::platform
