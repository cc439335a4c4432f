#pragma once

#include <csignal>

namespace pixquarry {

// Ctrl-C or SIGTERM during a download run: the first one asks the run to
// stop, so unfinished files are cleaned away; a second one ends the program
// at once. A reader of stdout that went away (SIGPIPE) stops the run too.
// Only one object at a time.
class StopSignals final {
public:
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals();

    bool Requested() const;
    // Ends the program by the signal that asked, so the caller sees why.
    [[noreturn]] void EndByIt() const;

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
    struct sigaction m_oldPipe {};
};

}  // namespace pixquarry
