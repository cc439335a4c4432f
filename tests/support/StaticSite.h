#pragma once

// A TestHttpServer that serves fixed bodies by path (of type "redirect": a
// redirect to the body), counts the requests for each path and answers 404
// for the rest; an optional delay before every answer stands in for a
// distant site, and `threads` answer at once (httplib's 8 by default).

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "tests/support/TestHttpServer.h"

namespace pixquarry::testing {

class StaticSite final {
public:
    struct Page {
        std::string body;
        std::string type;
        int status = 200;
    };

    explicit StaticSite(std::chrono::milliseconds delay = {}, std::size_t threads = 0) {
        if (threads > 0)
            m_server.Routes().new_task_queue = [threads] {
                return new httplib::ThreadPool(threads);
            };
        m_server.Routes().Get(
            ".*", [this, delay](const httplib::Request& req, httplib::Response& res) {
                const int now = ++m_active;
                for (int seen = m_mostAtOnce;
                     now > seen && !m_mostAtOnce.compare_exchange_weak(seen, now);)
                    ;
                std::this_thread::sleep_for(delay);
                Page page;
                bool found = false;
                {
                    const std::lock_guard<std::mutex> lock(m_mutex);
                    ++m_hits[req.path];
                    if (const auto it = m_pages.find(req.path); it != m_pages.end()) {
                        page = it->second;
                        found = true;
                    }
                }
                if (!found)
                    res.status = 404;
                else if (page.type == "redirect")
                    res.set_redirect(page.body);
                else
                    res.set_content(page.body, page.type);
                if (found && page.status != 200)  // else httplib's own: 206 for a range
                    res.status = page.status;
                --m_active;
            });
    }

    void Put(const std::string& path, std::string body, std::string type = "text/css",
             int status = 200) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pages[path] = Page{std::move(body), std::move(type), status};
    }
    void Start() { m_server.Start(); }
    std::string Origin() const { return m_server.Origin(); }
    int Hits(const std::string& path) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_hits[path];
    }
    int MostAtOnce() const { return m_mostAtOnce; }

private:
    std::map<std::string, Page> m_pages;
    std::map<std::string, int> m_hits;
    std::mutex m_mutex;
    std::atomic<int> m_active{0};
    std::atomic<int> m_mostAtOnce{0};
    TestHttpServer m_server;  // last: stops before what its handler uses goes
};

}  // namespace pixquarry::testing
