// pixquarry-cli check: each link of the list looked at, at most --jobs
// connections at once, with its type, pixel size and byte size, one line per
// link in list order or one JSON object; exit status 1 when a link or a
// stylesheet failed, so a site's build can stop on it.

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/Commands.h"
#include "cli/LinkChecks.h"
#include "cli/LinkHarvest.h"
#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"

namespace pixquarry {

namespace {

constexpr std::chrono::milliseconds kTick{100};

void Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

nlohmann::ordered_json NumberOrNull(std::int64_t value) {
    return value > 0 ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

std::string Dump(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// "可用<TAB>PNG<TAB>200×200<TAB>12 KB<TAB>LINK", a note after the link when
// the bytes are not what its extension says; "失败<TAB>-<TAB>-<TAB>-<TAB>LINK<TAB>REASON".
std::string CheckLine(const std::string& link, const LinkVerdict& verdict) {
    const auto orDash = [](const std::string& text) { return text.empty() ? "-" : text; };
    std::string line = verdict.ok ? "可用\t" : "失败\t";
    line += orDash(TypeLabel(verdict.type)) + "\t";
    line += orDash(verdict.width > 0 && verdict.height > 0
                       ? std::to_string(verdict.width) + "×" + std::to_string(verdict.height)
                       : "") +
            "\t";
    line += orDash(verdict.bytes ? ByteSizeText(*verdict.bytes) : "") + "\t" + Visible(link);
    const std::string& tail = verdict.ok ? verdict.note : verdict.reason;
    if (!tail.empty())
        line += "\t" + Visible(tail);
    return line + "\n";
}

// The check once the list is in: lines (or JSON items) in list order, the
// picture filter applied, then the summary.
class CliCheck final {
public:
    CliCheck(const CliOptions& options, LinkProber& prober, Harvest harvest)
        : m_options(options),
          m_harvest(std::move(harvest)),
          m_progress(m_harvest.links.size()),
          m_check(
              prober, options.jobs, m_harvest.links,
              [this](std::size_t index, const LinkVerdict& verdict) { Told(index, verdict); },
              [this] { m_over = true; }) {}

    void Start() {
        if (m_options.json)
            m_out = "{\"items\": [";
        m_check.Start();
    }
    void Cancel() { m_check.Cancel(); }
    bool Over() const { return m_over; }
    int Failed() const { return m_failed; }
    void Tick(std::int64_t bytes) { m_progress.Update(m_check.Done(), bytes); }

    // The summary line, or the JSON object's end with the sheets that could
    // not be read.
    void End() {
        m_progress.Clear();
        if (!m_options.json) {
            Write("检查 " + std::to_string(m_usable + m_failed) + " 个链接：可用 " +
                  std::to_string(m_usable) + " 个，失败 " + std::to_string(m_failed) + " 个。\n");
            return;
        }
        nlohmann::ordered_json sheets = nlohmann::ordered_json::array();
        for (const SheetFailure& failure : m_harvest.failures)
            sheets.push_back({{"url", failure.address}, {"reason", failure.reason}});
        for (const std::string& limit : m_harvest.limitsReached)
            sheets.push_back({{"url", nullptr}, {"reason", limit}});
        Write(m_out + "], \"sheets\": " + Dump(sheets) + "}\n");
        m_out.clear();
    }

private:
    void Told(std::size_t index, const LinkVerdict& verdict) {
        // A failed link is listed whatever the filter: it is what a check is for.
        if (verdict.ok && !Wanted(m_options, verdict))
            return;
        ++(verdict.ok ? m_usable : m_failed);
        const std::string& link = m_harvest.links[index];
        if (!m_options.json) {
            m_progress.BeforeOutput();
            Write(CheckLine(link, verdict));
            return;
        }
        nlohmann::ordered_json item = {
            {"url", link},
            {"ok", verdict.ok},
            {"status", verdict.status ? nlohmann::ordered_json(*verdict.status)
                                      : nlohmann::ordered_json(nullptr)},
        };
        if (!verdict.ok)
            item["reason"] = verdict.reason;
        item["type"] = verdict.type.empty() ? nlohmann::ordered_json(nullptr)
                                            : nlohmann::ordered_json(verdict.type);
        item["width"] = NumberOrNull(verdict.width);
        item["height"] = NumberOrNull(verdict.height);
        item["bytes"] = verdict.bytes ? nlohmann::ordered_json(*verdict.bytes)
                                      : nlohmann::ordered_json(nullptr);
        nlohmann::ordered_json from = nullptr;
        if (index < m_harvest.from.size()) {
            from = nlohmann::ordered_json::array();
            for (const LinkOrigin& origin : m_harvest.from[index])
                from.push_back({{"sheet", origin.sheet}, {"line", origin.line}});
        }
        item["from"] = std::move(from);
        m_out += (m_usable + m_failed > 1 ? ", " : "") + Dump(item);
        if (m_out.size() > (1u << 20)) {  // a long list goes out in pieces
            Write(m_out);
            m_out.clear();
        }
    }

    const CliOptions& m_options;
    Harvest m_harvest;
    ProgressLine m_progress;
    ListCheck m_check;
    std::string m_out;
    int m_usable = 0;
    int m_failed = 0;
    bool m_over = false;
};

}  // namespace

int CheckCommand(const CliOptions& options) {
    CliTransfers net(options);
    // --jobs counts every connection: the page's, its sheets' and the checks'.
    net.engine.LimitConnections(options.jobs);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const StopSignals stop;
    std::unique_ptr<CliCheck> run;
    int status = 0;
    bool harvested = false;
    HarvestSource(options, net, [&](int sofar, Harvest harvest) {
        harvested = true;
        status = sofar;
        if (!harvest.ok)
            return;
        run = std::make_unique<CliCheck>(options, net.probes, std::move(harvest));
        run->Start();
    });
    std::function<void()> tick = [&] {
        if (run)
            run->Tick(net.probes.Received());
        net.loop.StartTimer(kTick, tick);
    };
    net.loop.StartTimer(kTick, tick);
    net.loop.RunUntil([&] { return stop.Requested() || (harvested && (!run || run->Over())); });
    if (!run) {
        if (stop.Requested())
            stop.EndByIt();
        return status;
    }
    const bool completed = run->Over();
    run->Cancel();
    run->End();
    if (!completed) {
        std::fflush(stdout);
        stop.EndByIt();
    }
    return std::fflush(stdout) == 0 && run->Failed() == 0 ? status : 1;
}

}  // namespace pixquarry
