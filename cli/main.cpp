// pixquarry-cli: the window's extraction run from the command line.

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainF1.h"
#include "cli/HeadlessSeams.h"
#include "extract/SourceText.h"
#include "platform/curl/CurlDownloader.h"
#include "platform/curl/CurlHttpClient.h"

namespace {

constexpr const char* kUsage =
    "Usage: pixquarry-cli extract [--domain TEXT] [--json] SOURCE\n"
    "\n"
    "Finds every url(...) reference in SOURCE (a style sheet, or a web page,\n"
    "script or text file with CSS in it) and prints the picture links exactly\n"
    "as Pixquarry's window lists them: cleaned, put behind the domain, sorted,\n"
    "without duplicates. One link per line.\n"
    "\n"
    "Options:\n"
    "  --domain TEXT  text put in front of every link; defaults to the window's\n"
    "                 initial domain. --domain '' prints the bare links.\n"
    "  --json         print one object {\"mode\": N, \"items\": [...]}, where N is\n"
    "                 the match mode the run selected (0 url(), 1 url(''),\n"
    "                 2 url(\"\"), 3 custom).\n"
    "  -h, --help     show this text.\n"
    "\n"
    "Exit status: 0 on success (also when no link was found), 1 when SOURCE\n"
    "cannot be read, 2 on bad usage.\n";

int UsageError(const std::string& problem) {
    std::fprintf(stderr, "pixquarry-cli: %s\n\n%s", problem.c_str(), kUsage);
    return 2;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::string_view a : args) {
        if (a == "--")
            break;
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (args.empty() || args[0] != "extract")
        return UsageError("expected the command 'extract'");

    bool json = false;
    bool domainGiven = false;
    std::string domain;
    std::vector<std::string> sources;
    bool optionsDone = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && a == "--json") {
            json = true;
        } else if (!optionsDone && a == "--domain") {
            if (i + 1 >= args.size())
                return UsageError("--domain needs a value");
            domain = args[++i];
            domainGiven = true;
        } else if (!optionsDone && a.substr(0, 9) == "--domain=") {
            domain = a.substr(9);
            domainGiven = true;
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            return UsageError("unknown option " + std::string(a));
        } else {
            sources.emplace_back(a);
        }
    }
    if (sources.size() != 1)
        return UsageError("expected exactly one SOURCE");
    if (sources[0].empty())
        return UsageError("SOURCE is empty");

    pixquarry::CurlDownloader downloader;
    pixquarry::CurlHttpClient http(pixquarry::UpdateCheckLimits());
    pixquarry::CurlHttpClient pages(pixquarry::SourceFetchLimits());
    pixquarry::HeadlessSeams seams(downloader, http, pages);
    pixquarry::MainF1 window(seams.Make());
    if (domainGiven)
        window.WebUrl.SetText(pixquarry::RepairUtf8(domain));
    window.OFile1.SetText(sources[0]);
    window.SearchPic_Click();

    switch (window.LastRun()) {
        case pixquarry::RunOutcome::NoFileNamed:
            return UsageError("no SOURCE named");
        case pixquarry::RunOutcome::ReadFailed:
            std::fprintf(stderr, "pixquarry-cli: %s\n", window.LogShow.Text().c_str());
            return 1;
        case pixquarry::RunOutcome::Listed:
            break;
    }

    const pixquarry::CheckListBox& list = window.GetPic;
    std::string out;
    if (json)
        out = "{\"mode\": " + std::to_string(window.SelectedMatchMode()) + ", \"items\": [";
    for (int i = 0; i < list.ListCount(); ++i) {
        if (json) {
            if (i > 0)
                out += ", ";
            AppendJsonString(out, list.List(i));
        } else {
            out += list.List(i);
            out += '\n';
        }
        if (out.size() > (1u << 20)) {  // a long list goes out in pieces
            Write(out);
            out.clear();
        }
    }
    if (json)
        out += "]}\n";
    Write(out);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
