#pragma once

#include <string>
#include <vector>

#include "platform/ProcessStarter.h"

namespace pixquarry {

// Starts a program in a session of its own, so it outlives Pixquarry and is
// nobody's zombie.
class PosixProcessStarter final : public ProcessStarter {
public:
    std::string Start(const std::string& program, const std::string& workDir) override;
};

// Starts `args[0]` (a path, or a name looked up on PATH) with exactly these
// arguments, in a session of its own and in `workDir` unless that is empty.
// No shell comes in between. "" when it started, otherwise the reason.
std::string StartDetached(const std::vector<std::string>& args, const std::string& workDir);

}  // namespace pixquarry
