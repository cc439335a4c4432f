#include "platform/curl/TransferEngine.h"

#include <chrono>
#include <stdexcept>
#include <utility>

namespace pixquarry {

HttpResponse ResponseFrom(const CurlOutcome& outcome, std::string body) {
    HttpResponse response;
    response.ok = outcome.transferred;
    response.status = outcome.status;
    response.finalUrl = outcome.finalUrl;
    response.contentType = outcome.contentType;
    response.error = outcome.error;
    response.detail = outcome.detail;
    response.tooLarge = outcome.tooLarge;
    if (response.ok)
        response.body = std::move(body);
    return response;
}

// One transfer: its handle with Pixquarry's options, and what to do with
// the body and the outcome.
struct TransferEngine::Job {
    Job(const TransferLimits& limits, Sink s, Done d, TransferHooks h)
        : easy(limits), sink(std::move(s)), done(std::move(d)), hooks(std::move(h)) {}
    CurlEasy easy;
    Sink sink;
    Done done;
    TransferHooks hooks;
    CURL* handle = nullptr;
    std::uint64_t id = 0;
};

TransferEngine::TransferEngine(EventLoop& loop) : m_loop(loop) {
    // An easy handle first: making one runs libcurl's global set-up.
    { CurlEasy warmUp(TransferLimits{}); }
    m_multi.reset(curl_multi_init());
    if (!m_multi)
        throw std::runtime_error("curl_multi_init failed");
    CURLM* multi = m_multi.get();
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &TransferEngine::OnSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &TransferEngine::OnTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
}

TransferEngine::~TransferEngine() {
    for (auto& [id, job] : m_jobs)
        curl_multi_remove_handle(m_multi.get(), job->handle);
    m_jobs.clear();
    // Closing the cached connections still tells OnSocket and OnTimer.
    m_multi.reset();
    m_loop.StopTimer(m_timer);
}

std::uint64_t TransferEngine::Start(const std::string& url, const TransferLimits& limits,
                                    const std::string& referer, Sink sink, Done done,
                                    TransferHooks hooks) {
    auto job = std::make_unique<Job>(limits, std::move(sink), std::move(done), std::move(hooks));
    job->id = ++m_lastId;
    job->handle = job->easy.Begin(url, referer, job->sink, job->hooks);
    curl_easy_setopt(job->handle, CURLOPT_PRIVATE, job.get());
    if (!m_trusted.empty())
        curl_easy_setopt(job->handle, CURLOPT_CAINFO, m_trusted.c_str());
    // Adding asks for a timer at once; the transfer starts from the loop.
    const CURLMcode added = curl_multi_add_handle(m_multi.get(), job->handle);
    if (added != CURLM_OK)
        throw std::runtime_error(curl_multi_strerror(added));
    const std::uint64_t id = job->id;
    m_jobs.emplace(id, std::move(job));
    return id;
}

void TransferEngine::LimitConnections(long most) {
    curl_multi_setopt(m_multi.get(), CURLMOPT_MAX_TOTAL_CONNECTIONS, most);
    curl_multi_setopt(m_multi.get(), CURLMOPT_MAXCONNECTS, most);
}

void TransferEngine::Cancel(std::uint64_t id) {
    const auto found = m_jobs.find(id);
    if (found == m_jobs.end())
        return;
    curl_multi_remove_handle(m_multi.get(), found->second->handle);
    m_jobs.erase(found);
}

int TransferEngine::OnSocket(CURL*, curl_socket_t fd, int what, void* self, void*) {
    auto* engine = static_cast<TransferEngine*>(self);
    if (what == CURL_POLL_REMOVE) {
        engine->m_loop.Watch(fd, 0, {});
        return 0;
    }
    const int interest = ((what & CURL_POLL_IN) ? EventLoop::kRead : 0) |
                         ((what & CURL_POLL_OUT) ? EventLoop::kWrite : 0);
    engine->m_loop.Watch(fd, interest, [engine, fd](int events) {
        engine->Act(fd, ((events & EventLoop::kRead) ? CURL_CSELECT_IN : 0) |
                            ((events & EventLoop::kWrite) ? CURL_CSELECT_OUT : 0));
    });
    return 0;
}

int TransferEngine::OnTimer(CURLM*, long milliseconds, void* self) {
    auto* engine = static_cast<TransferEngine*>(self);
    engine->m_loop.StopTimer(engine->m_timer);
    engine->m_timer = 0;
    if (milliseconds >= 0) {
        engine->m_timer =
            engine->m_loop.StartTimer(std::chrono::milliseconds(milliseconds), [engine] {
                engine->m_timer = 0;
                engine->Act(CURL_SOCKET_TIMEOUT, 0);
            });
    }
    return 0;
}

void TransferEngine::Act(curl_socket_t fd, int flags) {
    int running = 0;
    curl_multi_socket_action(m_multi.get(), fd, flags, &running);
    CollectEnded();
}

void TransferEngine::CollectEnded() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi.get(), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const CURLcode code = message->data.result;
        Job* job = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &job);
        curl_multi_remove_handle(m_multi.get(), job->handle);
        if (job->easy.RetryOnNewConnection(code) &&
            curl_multi_add_handle(m_multi.get(), job->handle) == CURLM_OK)
            continue;
        const CurlOutcome outcome = job->easy.Finish(code);
        auto node = m_jobs.extract(job->id);
        // The callback may start or cancel other transfers.
        if (node.mapped()->done)
            node.mapped()->done(outcome);
    }
}

}  // namespace pixquarry
