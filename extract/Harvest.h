#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileReader.h"
#include "platform/HttpClient.h"

namespace pixquarry {

// The list items for a joined match text: every piece with a "." in it,
// cleaned and put behind `domain`, in the order found.
std::vector<std::string> LinksFromMatches(std::string_view joined, std::string_view domain);

// The status line for a stylesheet whose address could not be fetched.
std::string FetchFailureMessage(const std::string& url, const HttpResponse& response);

// The status line for a source file that could not be read.
std::string ReadFailureMessage(const std::string& path, const ReadResult& result);

}  // namespace pixquarry
