#include "cli/StopSignals.h"

#include <cstdlib>

namespace pixquarry {

namespace {

volatile std::sig_atomic_t g_signal = 0;

void Note(int signal) {
    g_signal = signal;
}

}  // namespace

StopSignals::StopSignals() {
    g_signal = 0;
    struct sigaction action {};
    action.sa_handler = &Note;
    sigemptyset(&action.sa_mask);
    // The handler goes after one signal: the next one is the default, fatal one.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, &m_oldInt);
    sigaction(SIGTERM, &action, &m_oldTerm);
    // Every later line fails alike; none of them may end the program midway.
    action.sa_flags = SA_RESTART;
    sigaction(SIGPIPE, &action, &m_oldPipe);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    sigaction(SIGPIPE, &m_oldPipe, nullptr);
}

bool StopSignals::Requested() const {
    return g_signal != 0;
}

void StopSignals::EndByIt() const {
    const int signal = g_signal;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace pixquarry
