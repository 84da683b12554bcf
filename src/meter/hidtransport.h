#pragma once
#include <memory>

#include "meter/transport.h"

namespace quedral {

// The real meter on USB through hidapi's hidraw backend.
std::unique_ptr<Transport> makeHidTransport();

} // namespace quedral
