#include "platform/curl/TransferEngine.h"

#include <chrono>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/curl/TargetFile.h"
#include "platform/posix/PartFile.h"

namespace pixquarry {

namespace {

constexpr std::chrono::milliseconds kTickInterval{100};
constexpr char kCancelled[] = "已取消";

}  // namespace

HttpResponse ResponseFrom(const CurlOutcome& outcome, std::string body) {
    HttpResponse response;
    response.ok = outcome.transferred;
    response.status = outcome.status;
    response.finalUrl = outcome.finalUrl;
    response.contentType = outcome.contentType;
    response.error = outcome.error;
    response.detail = outcome.detail;
    if (response.ok)
        response.body = std::move(body);
    return response;
}

TransferLimits UpdateCheckLimits() {
    TransferLimits limits;
    limits.connectTimeout = std::chrono::seconds(10);
    limits.totalTimeout = std::chrono::seconds(15);
    limits.maxBytes = 16 * 1024 * 1024;
    return limits;
}

TransferLimits SourceFetchLimits() {
    TransferLimits limits;
    limits.stallTime = std::chrono::seconds(20);
    limits.stallBytes = 1024;
    limits.totalTimeout = std::chrono::seconds(120);
    limits.maxBytes = std::int64_t{256} * 1024 * 1024;
    return limits;
}

// One transfer: its handle with Pixquarry's options, and what to do with
// the body and the outcome.
struct TransferEngine::Job {
    Job(const TransferLimits& limits, Sink s, Done d)
        : easy(limits), sink(std::move(s)), done(std::move(d)) {}
    CurlEasy easy;
    Sink sink;
    Done done;
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
                                    const std::string& referer, Sink sink, Done done) {
    auto job = std::make_unique<Job>(limits, std::move(sink), std::move(done));
    job->id = ++m_lastId;
    job->handle = job->easy.Begin(url, referer, job->sink);
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
    bool any = false;
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
        any = true;
    }
    if (any)
        m_loop.Wake();
}

HttpResponse TransferEngine::Fetch(const std::string& url, const TransferLimits& limits) {
    HttpResponse response;
    bool over = false;
    const std::uint64_t id = Start(
        url, limits, {},
        [&response](std::string_view chunk, long, std::string&) {
            response.body.append(chunk);
            return true;
        },
        [&](const CurlOutcome& outcome) {
            response = ResponseFrom(outcome, std::move(response.body));
            over = true;
        });
    if (!m_loop.RunUntil([&] { return over; }) && !over) {
        Cancel(id);
        response.error = kCancelled;
    }
    if (!response.ok)
        response.body.clear();
    return response;
}

bool TransferEngine::Run(const std::vector<DownloadRequest>& requests, int jobs,
                         const TransferLimits& limits, const Finished& finished, const Tick& tick) {
    if (jobs < 1)
        throw std::invalid_argument("a download run needs at least one transfer at a time");
    struct Active {
        std::unique_ptr<TargetFile> target;
        std::uint64_t id = 0;
    };
    std::unordered_map<std::size_t, Active> active;
    std::vector<std::optional<DownloadResult>> results(requests.size());
    std::size_t next = 0;
    std::size_t reported = 0;
    std::int64_t received = 0;
    bool stopped = false;

    const auto report = [&] {
        while (reported < results.size() && results[reported]) {
            const DownloadResult result = std::move(*results[reported]);
            results[reported].reset();
            finished(reported++, result);
        }
    };
    std::function<void()> feed = [&] {
        while (!stopped && active.size() < static_cast<std::size_t>(jobs) &&
               next < requests.size()) {
            const std::size_t index = next++;
            const DownloadRequest& request = requests[index];
            auto target = std::make_unique<TargetFile>(request);
            if (target->Refusal()) {
                results[index] = *target->Refusal();
                continue;
            }
            TargetFile* file = target.get();
            TransferLimits its = limits;
            its.httpsOnly = its.httpsOnly || request.httpsOnly;
            const std::string referer = request.sendReferer ? file->Referer() : std::string();
            active[index].target = std::move(target);
            active[index].id = Start(
                request.url, its, referer,
                [file, &received](std::string_view chunk, long status, std::string& error) {
                    received += static_cast<std::int64_t>(chunk.size());
                    return file->Take(status, chunk, error);
                },
                [&, index, file](const CurlOutcome& outcome) {
                    results[index] = file->Finish(outcome);
                    active.erase(index);
                    feed();
                    report();
                });
        }
    };

    int tickTimer = 0;
    std::function<void()> onTick = [&] {
        if (!tick(received)) {
            stopped = true;
            tickTimer = 0;
            m_loop.Wake();
            return;
        }
        tickTimer = m_loop.StartTimer(kTickInterval, onTick);
    };
    if (tick)
        tickTimer = m_loop.StartTimer(kTickInterval, onTick);

    for (const DownloadRequest& request : requests) {
        if (m_swept.insert(request.folder).second)
            PartFile::RemoveOrphans(request.folder);
    }
    feed();
    report();
    const bool ran = m_loop.RunUntil([&] { return stopped || reported == requests.size(); });
    m_loop.StopTimer(tickTimer);
    // Whatever is still going is dropped, and its part file with it.
    for (auto& [index, transfer] : active)
        Cancel(transfer.id);
    active.clear();
    return ran && !stopped;
}

DownloadResult EngineDownloader::Download(const DownloadRequest& request) {
    DownloadResult result{false, 0, kCancelled, {}};
    m_engine.Run({request}, 1, m_limits,
                 [&result](std::size_t, const DownloadResult& r) { result = r; });
    return result;
}

}  // namespace pixquarry
