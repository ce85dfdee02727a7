#pragma once
// The mode text that the service display shows for each connection status.

#include <cstdint>
#include <string>

#include "app/texts.h"

namespace vantaro::app {

const std::string& ModeTextForStatus(const Texts& texts, int32_t status);

}  // namespace vantaro::app
