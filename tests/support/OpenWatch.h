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
#include <string>
#include <thread>

#include "tests/support/TempFolder.h"

namespace pixquarry::testing {

class OpenWatch final {
public:
    explicit OpenWatch(const std::string& picture) {
        std::ofstream(m_picture, std::ios::binary) << picture;
        ::mkfifo(m_fifo.c_str(), 0600);
        ::inotify_add_watch(m_inotify, m_folder.Path().c_str(), IN_OPEN);
        m_thread = std::thread([this] {
            for (; !m_stop; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
                if (const int fd = ::open(m_fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) {
                    ++m_readers;
                    ::close(fd);
                }
            }
        });
    }
    ~OpenWatch() {
        m_stop = true;
        m_thread.join();
        ::close(m_inotify);
    }

    const std::string& Fifo() const { return m_fifo; }
    const std::string& Picture() const { return m_picture; }
    // Whether anything opened a file in the folder, or the FIFO for reading.
    bool AnythingOpened() {
        alignas(inotify_event) char events[4096];
        return m_readers > 0 || ::read(m_inotify, events, sizeof events) > 0;
    }

private:
    TempFolder m_folder;
    std::string m_fifo = (m_folder.Path() / "fifo").string();
    std::string m_picture = (m_folder.Path() / "local.png").string();
    int m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_readers{0};
    std::thread m_thread;
};

}  // namespace pixquarry::testing
