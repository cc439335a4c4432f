// pixquarry-cli extract: the list, one link per line or as one JSON object.

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/LinkHarvest.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/PollEventLoop.h"

namespace pixquarry {

namespace {

void Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int ExtractCommand(const CliOptions& options) {
    PollEventLoop loop;
    TransferEngine engine(loop);
    EngineHttpClient pages(engine, SourceFetchLimits());
    Harvest harvest;
    if (const int status = HarvestSource(options, pages, harvest); status != 0)
        return status;

    const std::vector<std::string>& links = harvest.links;
    // The object is written piece by piece, each item through the JSON
    // library: a million links are not held twice, and the layout stays the
    // one scripts already read.
    nlohmann::json item = std::string();
    std::string out;
    if (options.json)
        out = "{\"mode\": " + std::to_string(harvest.matchModes.back()) + ", \"items\": [";
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (options.json) {
            if (i > 0)
                out += ", ";
            item.get_ref<std::string&>() = links[i];
            out += item.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        } else {
            out += links[i];
            out += '\n';
        }
        if (out.size() > (1u << 20)) {  // a long list goes out in pieces
            Write(out);
            out.clear();
        }
    }
    if (options.json)
        out += "]}\n";
    Write(out);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace pixquarry
