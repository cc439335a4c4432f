#pragma once

// A temporary folder holding a FIFO and a picture, watched for anything
// opening what is in it: inotify reports each file opened, and a thread tries every 10 ms to
// open the FIFO's writing end without waiting, which works only while someone
// has it open for reading, and then lets that reader go on with an empty
// stream, so a fault ends the test rather than hanging it.

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <stop_token>
#include <string>
#include <thread>

#include "tests/support/TempFolder.h"

namespace pixquarry::testing {

class OpenWatch final {
    TempFolder m_folder;

public:
    const std::string fifo = (m_folder.Path() / "fifo").string();
    const std::string picture = (m_folder.Path() / "local.png").string();

    explicit OpenWatch(const std::string& bytes) {
        std::ofstream(picture, std::ios::binary) << bytes;
        ::mkfifo(fifo.c_str(), 0600);
        ::inotify_add_watch(m_inotify, m_folder.Path().c_str(), IN_OPEN);
        m_thread = std::jthread([this](const std::stop_token& stop) {
            for (; !stop.stop_requested();
                 std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
                if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) {
                    ++m_readers;
                    ::close(fd);
                }
            }
        });
    }
    ~OpenWatch() { ::close(m_inotify); }

    // Whether anything opened a file in the folder, or the FIFO for reading.
    bool AnythingOpened() {
        alignas(inotify_event) char events[4096];
        return m_readers > 0 || ::read(m_inotify, events, sizeof events) > 0;
    }

private:
    int m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    std::atomic<int> m_readers{0};
    std::jthread m_thread;  // last: stops before what it uses goes
};

}  // namespace pixquarry::testing
