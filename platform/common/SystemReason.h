#pragma once

#include <string>

namespace pixquarry {

// A system error (an errno value) as the user reads it, in a few words.
std::string SystemReason(int error);

}  // namespace pixquarry
