// pixquarry-cli extract: the list, one link per line or as one JSON object.

#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/LinkHarvest.h"

namespace pixquarry {

namespace {

void Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int ExtractCommand(const CliOptions& options) {
    CliTransfers net(options);
    std::optional<Harvest> got;
    int status = 0;
    HarvestSource(options, net, [&](int sofar, Harvest harvest) {
        status = sofar;
        got = std::move(harvest);
    });
    net.loop.RunUntil([&] { return got.has_value(); });
    if (!got || !got->ok)
        return status;
    const Harvest& harvest = *got;

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
            if (harvest.from.empty()) {
                item.get_ref<std::string&>() = links[i];
            } else {
                // A followed page: every place the link was written.
                nlohmann::json from = nlohmann::json::array();
                for (const LinkOrigin& origin : harvest.from[i])
                    from.push_back({{"sheet", origin.sheet}, {"line", origin.line}});
                item = {{"url", links[i]}, {"from", std::move(from)}};
            }
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
    return std::fflush(stdout) == 0 ? status : 1;
}

}  // namespace pixquarry
