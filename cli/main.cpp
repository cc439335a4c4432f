// pixquarry-cli: the window's extraction and download runs from the command line.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/Messages.h"
#include "platform/Version.h"
#include "platform/WebAddress.h"
#include "platform/curl/ResolveReference.h"

namespace {

using pixquarry::CliOptions;
using pixquarry::UsageError;

constexpr int kMaxJobs = 64;

constexpr const char* kDescription =
    "Finds the picture links in a style sheet, checks them and downloads them.\n"
    "\n"
    "  pixquarry-cli extract [--domain TEXT] [--json] [--timeout S] SOURCE\n"
    "  pixquarry-cli extract --resolve [--base URL | --no-follow] [--json] [--timeout S]\n"
    "                        SOURCE\n"
    "  pixquarry-cli download --dir DIR [--domain TEXT] [--jobs N] [--timeout S] SOURCE\n"
    "  pixquarry-cli download --dir DIR --resolve [--base URL | --no-follow] [--jobs N]\n"
    "                         [--timeout S] SOURCE\n"
    "  pixquarry-cli check [--domain TEXT | --resolve [--base URL | --no-follow]]\n"
    "                      [--jobs N] [--timeout S] [--type LIST] [--min-size WxH] [--json]\n"
    "                      SOURCE\n"
    "  download takes --type LIST and --min-size WxH too.\n";

constexpr const char* kFooter =
    "SOURCE is a style sheet, or a web page, script or text file with CSS in\n"
    "it, named by path or by http(s) address. Its links are listed exactly as\n"
    "Pixquarry's window lists them: every url(...) reference with a \".\" in it,\n"
    "cleaned, put behind the domain, sorted, without duplicates. With --resolve\n"
    "each reference is resolved as a browser would instead, against the address\n"
    "SOURCE was fetched from (after redirects) or --base; fragments and other\n"
    "schemes (data:, javascript:) are left out.\n"
    "\n"
    "A web page named by address with --resolve is followed: its linked\n"
    "stylesheets (alternate ones too) and their @import rules (8 deep, 64\n"
    "sheets at most, 16 MiB each, 6 fetched at once), its <style> elements and\n"
    "style=\"\" attributes; each reference is resolved against the stylesheet it\n"
    "is written in, inline ones against the page's <base> or address. --json\n"
    "items are then {\"url\": LINK, \"from\": [{\"sheet\": ADDRESS, \"line\": N}]},\n"
    "with \"<style>\" or \"style=\\\"\\\"\" as ADDRESS for the page's own styles. A\n"
    "stylesheet that cannot be read is named on stderr with the reason, the\n"
    "others are harvested all the same, and the exit status is 1. SOURCE and each\n"
    "stylesheet are given up when they send fewer than 1,024 bytes in 20 s or\n"
    "are not complete after 120 s (--timeout S).\n"
    "\n"
    "download prints one line per link in list order on stdout, \"下载成功：NAME\"\n"
    "or \"下载失败：NAME<TAB>REASON\", then the window's summary. Only full http(s)\n"
    "links are fetched. When several links end in the same file name, the first\n"
    "keeps it and the later ones are saved as NAME(2), NAME(3) and so on, in\n"
    "list order, whatever --jobs is.\n"
    "\n"
    "check looks at the start of each picture (a Range request for 64 KiB,\n"
    "never more than 256 KiB read) and prints one line per link in list order,\n"
    "\"可用\" or \"失败\", the type, the pixel size, the byte size and the link, each\n"
    "after a tab, then the reason of a failure; \"-\" where a value is not known.\n"
    "The last line is \"检查 N 个链接：可用 A 个，失败 B 个。\". --jobs N (8 by\n"
    "default) is the most connections open at once. --json prints one object\n"
    "{\"items\": [{\"url\", \"ok\", \"status\", \"reason\", \"type\", \"width\",\n"
    "\"height\", \"bytes\", \"from\"}], \"sheets\": [{\"url\", \"reason\"}]}.\n"
    "--type LIST (png,jpeg,gif,webp,svg,bmp,ico,avif,tiff) and --min-size WxH\n"
    "keep only the pictures of those types and at least that size: check lists\n"
    "only those (and every link that failed), download checks each link first\n"
    "and prints \"已跳过：NAME（50×50）\" for a picture it leaves.\n"
    "\n"
    "Exit status: 0 on success (also when no link was found), 1 when SOURCE\n"
    "cannot be read, DIR cannot be made, a download or a check failed, 2 on bad\n"
    "usage.\n";

// CLI11 2.1 reads "--domain=" as "--domain" followed by the next word; an
// empty value is what "--domain=" has always meant here.
std::vector<std::string> SplitEmptyValues(int argc, char** argv) {
    std::vector<std::string> args;
    bool optionsDone = false;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        optionsDone = optionsDone || arg == "--";
        if (!optionsDone && i > 0 && arg.size() > 3 && arg.rfind("--", 0) == 0 &&
            arg.find('=') == arg.size() - 1) {
            arg.pop_back();
            args.push_back(arg);
            args.emplace_back();
        } else {
            args.push_back(arg);
        }
    }
    return args;
}

// The same options on both commands, bound to one CliOptions.
void AddSourceOptions(CLI::App& command, CliOptions& options, std::string& domain,
                      std::string& base) {
    CLI::Option* domainOption = command.add_option(
        "--domain", domain,
        "Text put in front of every link; defaults to the window's initial domain. "
        "--domain '' gives the bare links.");
    CLI::Option* resolve =
        command.add_flag("--resolve", options.resolve,
                         "Resolve every reference against SOURCE's address or --base instead of "
                         "putting the domain in front.");
    command
        .add_option("--base", base,
                    "The address a file SOURCE is read as; for a SOURCE fetched by address "
                    "it replaces the page's own.")
        ->type_name("URL")
        ->needs(resolve);
    resolve->excludes(domainOption);
    command
        .add_flag("--no-follow{false}", options.follow,
                  "With --resolve, harvest a web page's own text as for any other SOURCE, "
                  "without fetching its stylesheets.")
        ->needs(resolve);
    command.add_option("SOURCE", options.source, "The file or http(s) address to read.")
        ->required();
}

// The picture filter of check and download, as typed.
void AddFilterOptions(CLI::App& command, std::string& types, std::string& minSize) {
    command
        .add_option("--type", types,
                    "Keep only pictures of these types, separated by commas: png, jpeg, gif, "
                    "webp, svg, bmp, ico, avif, tiff.")
        ->type_name("LIST");
    command
        .add_option("--min-size", minSize,
                    "Keep only pictures at least W pixels wide and H pixels high.")
        ->type_name("WxH");
}

// The command line's grammar: the commands and their options, bound to
// `options`; --domain and --base land in `domain` and `base` first, since an
// empty value means something.
struct Grammar {
    explicit Grammar(CliOptions& options);
    CLI::App app{kDescription, "pixquarry-cli"};
    CLI::App* extract = nullptr;
    CLI::App* download = nullptr;
    CLI::App* check = nullptr;
    std::string domain;
    std::string base;
    std::string types;
    std::string minSize;
};

Grammar::Grammar(CliOptions& options) {
    app.footer(kFooter);
    app.set_version_flag("--version", std::string("pixquarry-cli ") + pixquarry::kVersion,
                         "Print the version and exit.");
    app.require_subcommand(1);
    extract = app.add_subcommand("extract", "Print SOURCE's picture links, one per line.");
    AddSourceOptions(*extract, options, domain, base);
    extract
        ->add_option("--timeout", options.timeout,
                     "Seconds SOURCE and each of its stylesheets may take in all; 120 by default.")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber);
    extract->add_flag("--json", options.json,
                      "Print one object {\"mode\": N, \"items\": [...]}, N the match mode the "
                      "run selected (0 url(), 1 url(''), 2 url(\"\"), 3 custom).");
    download = app.add_subcommand("download", "Download every picture link of SOURCE into DIR.");
    AddSourceOptions(*download, options, domain, base);
    download
        ->add_option("--dir", options.dir,
                     "The folder the pictures go to; made with its missing parents.")
        ->type_name("DIR")
        ->required();
    download
        ->add_option("--jobs", options.jobs,
                     "How many transfers run at once, 1 to " + std::to_string(kMaxJobs) + ".")
        ->type_name("N")
        ->check(CLI::Range(1, kMaxJobs))
        ->capture_default_str();
    download
        ->add_option("--timeout", options.timeout,
                     "Seconds one download, SOURCE or one of its stylesheets may take in all; "
                     "downloads have no limit by default, SOURCE and its stylesheets 120.")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber);
    AddFilterOptions(*download, types, minSize);
    check = app.add_subcommand(
        "check", "Check every picture link of SOURCE: its type, pixel size and byte size.");
    AddSourceOptions(*check, options, domain, base);
    check
        ->add_option("--jobs", options.checkJobs,
                     "The most connections open at once, 1 to " + std::to_string(kMaxJobs) + ".")
        ->type_name("N")
        ->check(CLI::Range(1, kMaxJobs))
        ->capture_default_str();
    check
        ->add_option("--timeout", options.timeout,
                     "Seconds one check, SOURCE or one of its stylesheets may take in all; a "
                     "check 30 by default, SOURCE and its stylesheets 120.")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber);
    AddFilterOptions(*check, types, minSize);
    check->add_flag("--json", options.json,
                    "Print one object {\"items\": [...], \"sheets\": [...]}.");
    // Before or after the command, as a user may type it.
    for (CLI::App* place : {&app, extract, download, check})
        place->add_flag("--verbose", options.verbose,
                        "Follow each failure reason with the transfer layer's own words.");
}

// --type's list into options.types, --min-size into its two numbers; what is
// wrong with them, or "".
std::string ReadFilter(const std::string& types, const std::string& minSize, CliOptions& options) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {"png", "png"},   {"jpeg", "jpeg"}, {"jpg", "jpeg"}, {"gif", "gif"},
        {"webp", "webp"}, {"svg", "svg"},   {"bmp", "bmp"},  {"ico", "ico"},
        {"avif", "avif"}, {"tiff", "tiff"}, {"tif", "tiff"},
    };
    std::size_t start = 0;
    while (!types.empty() && start <= types.size()) {
        const std::size_t comma = std::min(types.find(',', start), types.size());
        std::string name = types.substr(start, comma - start);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto* found = std::find_if(std::begin(kTypes), std::end(kTypes),
                                         [&name](const auto& type) { return name == type.first; });
        if (found == std::end(kTypes))
            return "--type: unknown picture type '" + name + "'";
        options.types.emplace_back(found->second);
        start = comma + 1;
    }
    if (minSize.empty())
        return {};
    // "100x100"; an X or a × between the numbers is taken too.
    std::string size = minSize;
    for (const char* times : {"×", "X"}) {
        if (const std::size_t at = size.find(times); at != std::string::npos)
            size.replace(at, std::string_view(times).size(), "x");
    }
    const std::size_t x = size.find('x');
    const auto number = [](const std::string& text, int& value) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size() && value >= 0;
    };
    if (x == std::string::npos || !number(size.substr(0, x), options.minWidth) ||
        !number(size.substr(x + 1), options.minHeight))
        return "--min-size must be WIDTHxHEIGHT, such as 100x100";
    return {};
}

// What is wrong with options that parsed, in the usage line's words; "" for nothing.
std::string UsageProblem(const CliOptions& options, bool download) {
    if (options.source.empty())
        return "SOURCE is empty";
    // An address resolves against itself only when it is absolute and parses.
    if (options.base && (!pixquarry::IsWebLink(*options.base) ||
                         !pixquarry::ResolveReference(*options.base, *options.base)))
        return "--base must be an http or https address";
    if (options.resolve && !options.base && !pixquarry::IsWebLink(options.source))
        return "--resolve needs --base URL when SOURCE is a file";
    if (download && options.dir.empty())
        return "DIR is empty";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    CliOptions options;
    Grammar grammar(options);
    std::vector<std::string> args = SplitEmptyValues(argc, argv);
    std::vector<char*> pointers;
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    try {
        grammar.app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return grammar.app.exit(e);  // --help, --version
        return UsageError(e.what());
    }

    const CLI::App& command = grammar.extract->parsed()    ? *grammar.extract
                              : grammar.download->parsed() ? *grammar.download
                                                           : *grammar.check;
    if (grammar.check->parsed())
        options.jobs = options.checkJobs;
    else if (grammar.download->parsed() && command.count("--jobs") > 0)
        options.checkJobs = options.jobs;  // a download checks as many at once
    if (const std::string problem = ReadFilter(grammar.types, grammar.minSize, options);
        !problem.empty())
        return UsageError(problem);
    if (command.count("--domain") > 0)
        options.domain = grammar.domain;
    if (command.count("--base") > 0)
        options.base = grammar.base;
    if (const std::string problem = UsageProblem(options, grammar.download->parsed());
        !problem.empty())
        return UsageError(problem);
    try {
        if (grammar.check->parsed())
            return pixquarry::CheckCommand(options);
        return grammar.extract->parsed() ? pixquarry::ExtractCommand(options)
                                         : pixquarry::DownloadCommand(options);
    } catch (const std::exception& e) {
        return pixquarry::ReportFailure(e.what());
    }
}
