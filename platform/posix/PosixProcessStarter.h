#pragma once

#include "platform/ProcessStarter.h"

namespace pixquarry {

// Starts a program in a session of its own, so it outlives Pixquarry and is
// nobody's zombie.
class PosixProcessStarter final : public ProcessStarter {
public:
    std::string Start(const std::string& program, const std::string& workDir) override;
};

}  // namespace pixquarry
