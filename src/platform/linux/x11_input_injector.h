#pragma once
// Input injection into the X display named by DISPLAY, through the XTest extension.

#include <memory>

#include "platform/input_injector.h"

namespace vantaro::platform {

// Connects to the display named by DISPLAY. Without a usable display (DISPLAY unset or
// unreachable, or no XTest) it says so once on standard error and returns an injector that does
// nothing and answers "unknown". If the display goes away later, the injector reports it once and
// does nothing from then on; the program keeps running.
//
// The injector has its own display connection and is used by one thread at a time. Characters
// that no key of the layout types are bound to spare key codes; those bindings are removed again
// when the injector is destroyed.
std::unique_ptr<InputInjector> CreateX11InputInjector();

}  // namespace vantaro::platform
