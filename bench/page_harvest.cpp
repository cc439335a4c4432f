// A web page harvested with its stylesheets: 20 linked sheets, 5 of which
// import one more, on a loopback site that answers every request after 50 ms.
// Pixquarry's page harvest (6 sheets at once on the transfer engine) is set
// against a peer that does the same harvest with one blocking libcurl handle,
// one sheet after another. Both report how many links they found.

#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "extract/CssImports.h"
#include "extract/PageHarvest.h"
#include "extract/PageStyles.h"
#include "extract/Reference.h"
#include "extract/UrlMatches.h"
#include "platform/curl/EngineHttpClient.h"
#include "platform/curl/ResolveReference.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"

namespace {

using namespace pixquarry;

constexpr int kSheets = 20;
constexpr int kImporting = 5;
constexpr int kRuns = 10;
constexpr auto kLatency = std::chrono::milliseconds(50);

std::string SheetBody(int n, bool imports) {
    std::string css = imports ? "@import url(more" + std::to_string(n) + ".css);\n" : "";
    for (int i = 0; i < 40; ++i)
        css += ".s" + std::to_string(n) + "-" + std::to_string(i) + "{background:url(../img/" +
               std::to_string(n) + "-" + std::to_string(i) + ".png)}\n";
    return css;
}

double MedianSeconds(const std::function<std::size_t()>& run, std::size_t& links) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        links = run();
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return (times[kRuns / 2 - 1] + times[kRuns / 2]) / 2;
}

std::size_t Pixquarry(const std::string& page) {
    PollEventLoop loop;
    TransferEngine engine(loop);
    EngineHttpClient client(engine, SourceFetchLimits());
    PageHarvest harvest(client);
    std::size_t links = 0;
    bool over = false;
    client.Get(page, [&](HttpResponse response) {
        harvest.Start(response.finalUrl, std::move(response.body), response.contentType,
                      [&](Harvest found) {
                          links = found.links.size();
                          over = true;
                      });
    });
    loop.RunUntil([&over] { return over; });
    return links;
}

size_t Append(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// The same harvest, each request waited for before the next one goes.
std::size_t BlockingPeer(const std::string& page) {
    CURL* easy = curl_easy_init();
    const auto get = [easy](const std::string& url) {
        std::string body;
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Append);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        if (curl_easy_perform(easy) != CURLE_OK)
            std::fprintf(stderr, "peer: %s failed\n", url.c_str());
        return body;
    };
    std::set<std::string> links;
    const auto take = [&](const std::string& text, const std::string& base) {
        const std::string joined = RegExpTest(kUrlPattern, text);
        for (const std::string_view match : SplitMatches(joined)) {
            if (auto link = ResolveReference(base, ReferenceOf(match)))
                links.insert(*link);
        }
    };
    std::deque<std::string> sheets;
    for (const PageStyle& style : FindPageStyles(get(page)).styles) {
        if (style.kind == PageStyle::Kind::Linked)
            sheets.push_back(*ResolveReference(page, style.text));
    }
    while (!sheets.empty()) {
        const std::string sheet = sheets.front();
        sheets.pop_front();
        const std::string text = get(sheet);
        for (const CssImport& rule : FindImports(text))
            sheets.push_back(*ResolveReference(sheet, rule.reference));
        take(text, sheet);
    }
    curl_easy_cleanup(easy);
    // The import rules' own url( matches are no pictures.
    return links.size() - kImporting;
}

}  // namespace

int main() {
    httplib::Server server;
    server.set_tcp_nodelay(true);
    std::string page = "<!DOCTYPE html><html><head>\n";
    for (int n = 0; n < kSheets; ++n)
        page += "<link rel=stylesheet href=css/" + std::to_string(n) + ".css>\n";
    page += "</head><body></body></html>\n";
    server.Get(".*", [&page](const httplib::Request& req, httplib::Response& res) {
        std::this_thread::sleep_for(kLatency);
        const std::string& path = req.path;
        if (path == "/page.html") {
            res.set_content(page, "text/html");
            return;
        }
        int n = 0;
        if (std::sscanf(path.c_str(), "/css/more%d.css", &n) == 1)
            res.set_content(SheetBody(100 + n, false), "text/css");
        else if (std::sscanf(path.c_str(), "/css/%d.css", &n) == 1)
            res.set_content(SheetBody(n, n < kImporting), "text/css");
        else
            res.status = 404;
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::yield();
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/page.html";

    std::size_t ours = 0;
    std::size_t peers = 0;
    const double oursTime = MedianSeconds([&] { return Pixquarry(address); }, ours);
    const double peerTime = MedianSeconds([&] { return BlockingPeer(address); }, peers);
    std::printf("== A page with %d stylesheets (%d importing one more), 50 ms per answer ==\n",
                kSheets, kImporting);
    std::printf("pixquarry page harvest:                %.4f s, %zu links (goal < 0.5 s)\n",
                oursTime, ours);
    std::printf("blocking libcurl, one at a time (peer): %.4f s, %zu links\n", peerTime, peers);
    std::printf("time ratio pixquarry/peer:              %.2f\n", oursTime / peerTime);
    server.stop();
    serving.join();
    return 0;
}
