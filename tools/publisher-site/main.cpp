// pixquarry-publisher-site: a stand-in for the publisher's web site on
// 127.0.0.1, so the update check and the hand-off to the updater can be tried
// and tested without the real site. Serves until SIGINT or SIGTERM.

#include <httplib.h>
#include <pthread.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace {

constexpr const char* kUsage =
    "usage: pixquarry-publisher-site [--port N] [--reply TEXT | --reply-file PATH]\n"
    "                                [--delay-ms N] [--never-answer]\n"
    "                                [--updater PATH | --no-updater]\n";

constexpr std::string_view kOriginToken = "{ORIGIN}";

// Announces version 1.00, which is no news to Pixquarry 1.00.
constexpr const char* kDefaultReply =
    "100-KWKW-Pixquarry-KWKW-1.00-KWKW-{ORIGIN}/updater/Update.exe-KWKW-"
    "{ORIGIN}/filelist/mysoft/pixquarry/download";

// Leaves a trace of the hand-off: where it ran and what Update.ini said.
constexpr const char* kDefaultUpdater =
    "#!/bin/sh\n"
    "# Stand-in updater from pixquarry-publisher-site.\n"
    "{ echo \"updater ran in $(pwd)\"; cat ./Update.ini; } >> \"$(dirname \"$0\")/updater.log\"\n"
    "exit 0\n";

constexpr const char* kHomePage =
    "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
    "<title>Pixquarry官方网站</title></head>\n<body><h1>Pixquarry</h1>"
    "<p>从CSS文件中提取图片链接的小工具。</p>"
    "<p><a href=\"/filelist/mysoft/pixquarry/download\">下载最新版本</a></p>"
    "<p>（本站为测试用的替身网站。）</p></body></html>\n";

constexpr const char* kDownloadPage =
    "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
    "<title>下载Pixquarry</title></head>\n<body><h1>下载Pixquarry</h1>"
    "<p>最新版本：1.00</p><p><a href=\"/\">返回首页</a></p></body></html>\n";

constexpr const char* kBannerPage =
    "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
    "<title>Pixquarry</title></head>\n<body style=\"margin:0\">"
    "<p>感谢使用Pixquarry！<a href=\"/\" target=\"_blank\">访问官方网站</a></p>"
    "</body></html>\n";

struct Options {
    int port = 0;
    std::string reply = kDefaultReply;
    int delayMs = 0;
    bool neverAnswer = false;
    std::optional<std::string> updater = std::string(kDefaultUpdater);
};

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::optional<int> ReadCount(const std::string& text, int max) {
    try {
        std::size_t used = 0;
        const int n = std::stoi(text, &used);
        if (used == text.size() && n >= 0 && n <= max)
            return n;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// Empty when the command line is wrong; the reason is on stderr then.
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string value = hasValue ? argv[i + 1] : "";
        if (name == "--never-answer") {
            options.neverAnswer = true;
            continue;
        }
        if (name == "--no-updater") {
            options.updater.reset();
            continue;
        }
        if (!hasValue) {
            std::cerr << "unknown option or missing value: " << name << "\n" << kUsage;
            return std::nullopt;
        }
        ++i;
        std::optional<std::string> file;
        std::optional<int> count;
        if (name == "--port" && (count = ReadCount(value, 65535))) {
            options.port = *count;
        } else if (name == "--delay-ms" && (count = ReadCount(value, 3600 * 1000))) {
            options.delayMs = *count;
        } else if (name == "--reply") {
            options.reply = value;
        } else if (name == "--reply-file" && (file = ReadWholeFile(value))) {
            options.reply = *file;
        } else if (name == "--updater" && (file = ReadWholeFile(value))) {
            options.updater = *file;
        } else {
            std::cerr << "bad option: " << name << " " << value << "\n" << kUsage;
            return std::nullopt;
        }
    }
    return options;
}

std::string ReplaceAll(std::string text, std::string_view from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class PublisherSite final {
public:
    explicit PublisherSite(Options options) : m_options(std::move(options)) {
        // Hanging requests hold a thread each; leave room for the others.
        m_server.new_task_queue = [] { return new httplib::ThreadPool(32); };
        // An idle client holds up a stop for a second at most.
        m_server.set_keep_alive_timeout(1);
        m_server.set_read_timeout(1);
        // Restart right after a stop, but never share a port with another site.
        m_server.set_socket_options([](socket_t sock) {
            int yes = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        m_server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
            std::cerr << req.method << " " << req.target << std::endl;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        AddRoutes();
    }
    PublisherSite(const PublisherSite&) = delete;
    PublisherSite& operator=(const PublisherSite&) = delete;

    // False when the port is taken.
    bool Bind() {
        int port = m_options.port;
        bool bound = false;
        if (port == 0) {
            port = m_server.bind_to_any_port("127.0.0.1");
            bound = port > 0;
        } else {
            bound = m_server.bind_to_port("127.0.0.1", port);
        }
        m_origin = "http://127.0.0.1:" + std::to_string(port);
        return bound;
    }
    const std::string& Origin() const { return m_origin; }
    void Serve() { m_server.listen_after_bind(); }
    // Wakes the delayed and hanging requests so the server can wind down.
    void Stop() {
        m_stopping = true;
        m_server.stop();
    }

private:
    // False when the site stopped during the pause.
    bool Pause(std::chrono::milliseconds length) {
        const auto until = std::chrono::steady_clock::now() + length;
        while (!m_stopping && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return !m_stopping;
    }

    void AddRoutes() {
        m_server.Get("/FileList/mysoft/Pixquarry/", [this](const httplib::Request& req,
                                                           httplib::Response& res) {
            if (req.get_param_value("rinfo") != "update") {
                res.status = 404;
                return;
            }
            if (m_options.neverAnswer) {
                while (Pause(std::chrono::hours(1))) {
                }
                res.status = 503;
                return;
            }
            if (!Pause(std::chrono::milliseconds(m_options.delayMs))) {
                res.status = 503;
                return;
            }
            res.set_content(ReplaceAll(m_options.reply, kOriginToken, m_origin), "text/plain");
        });
        m_server.Get("/updater/Update.exe",
                     [this](const httplib::Request&, httplib::Response& res) {
                         if (!m_options.updater) {
                             res.status = 404;
                             return;
                         }
                         res.set_content(*m_options.updater, "application/octet-stream");
                     });
        m_server.Get("/filelist/info/", [](const httplib::Request& req, httplib::Response& res) {
            if (req.get_param_value("softname") != "pixquarry") {
                res.status = 404;
                return;
            }
            res.set_content(kBannerPage, "text/html; charset=utf-8");
        });
        m_server.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kHomePage, "text/html; charset=utf-8");
        });
        m_server.Get("/filelist/mysoft/pixquarry/download",
                     [](const httplib::Request&, httplib::Response& res) {
                         res.set_content(kDownloadPage, "text/html; charset=utf-8");
                     });
    }

    Options m_options;
    httplib::Server m_server;
    std::string m_origin;
    std::atomic<bool> m_stopping{false};
};

}  // namespace

int main(int argc, char** argv) {
    std::optional<Options> options = ParseOptions(argc, argv);
    if (!options)
        return 2;

    // The stop signals are taken by sigwait() below, never by a handler, and
    // the server threads inherit the block. A client gone mid-reply is no error.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    PublisherSite site(std::move(*options));
    if (!site.Bind()) {
        std::cerr << "cannot listen on " << site.Origin() << "\n";
        return 1;
    }
    std::cout << "listening on " << site.Origin() << std::endl;

    std::thread server([&site] { site.Serve(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    site.Stop();
    server.join();
    return 0;
}
