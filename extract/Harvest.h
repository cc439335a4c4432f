#pragma once

// The extraction pipeline, the same for the window and the command line:
// read the source, decode it, find the url( matches, turn each into a link,
// sort and drop the copies.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileReader.h"
#include "platform/HttpClient.h"

namespace pixquarry {

struct SourceBytes {
    bool ok = false;
    std::string bytes;
    std::string address;      // where a page named by address ended up after redirects
    std::string contentType;  // as the server sent it; empty for a file
    std::string failure;      // the status line when !ok
};

// Reads `source`: a local file through `files` at once, an http(s) address
// through `pages`. `read` runs once with the bytes: inside ReadSource for a
// file, from the loop for an address. Returns the request's id for
// pages.Cancel, 0 for a file.
std::uint64_t ReadSource(const std::string& source, FileReader& files, HttpClient& pages,
                         std::function<void(SourceBytes read)> read);
// What a web source's answer comes to.
SourceBytes SourceFromResponse(const std::string& source, HttpResponse response);

// What one match becomes in the list; nothing drops it.
using LinkRule = std::function<std::optional<std::string>(std::string_view match)>;

// The window's rule: a match with a "." in it, cleaned by RepAll, behind `domain`.
LinkRule DomainRule(std::string domain);

// The steps the window reports in its status box, in this order.
enum class HarvestStep { Decoded, Matched, Filtering };

// Where a link of a followed page was written: a stylesheet's address, or
// "<style>" or "style=\"\"" on the page itself, and the line there.
struct LinkOrigin {
    std::string sheet;
    int line = 1;
    bool operator==(const LinkOrigin&) const = default;
};

// A stylesheet of a followed page that could not be read, and why.
struct SheetFailure {
    std::string address;
    std::string reason;
};

struct Harvest {
    bool ok = false;
    std::vector<std::string> links;  // in list order, each text once
    std::vector<int> matchModes{3};  // marked in this order, see MatchModesOf
    std::string failure;             // the status line when !ok
    // Only for a followed page: beside each link, every place it was found
    // (in page order), and the stylesheets that could not be read.
    std::vector<std::vector<LinkOrigin>> from;
    std::vector<SheetFailure> failures;
    std::vector<std::string> limitsReached;  // a line for each limit that left sheets unread
    bool emptyPage = false;                  // the page named no stylesheet, held no reference
};

// `source` names the bytes in a failure message.
Harvest HarvestLinks(const std::string& source, std::string bytes, const LinkRule& rule,
                     const std::function<void(HarvestStep, const Harvest&)>& onStep = {});

// The pieces of a RegExpTest result, in the order found.
std::vector<std::string_view> SplitMatches(std::string_view joined);

// The status line for a stylesheet whose address could not be fetched.
std::string FetchFailureMessage(const std::string& url, const HttpResponse& response);

// The status line for a source file that could not be read.
std::string ReadFailureMessage(const std::string& path, const ReadResult& result);

}  // namespace pixquarry
