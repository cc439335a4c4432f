#pragma once

#include <curl/curl.h>

#include <string>

#include "platform/curl/TransferLimits.h"

namespace pixquarry {

// Why a transfer on `handle` ended with `code`, in a few Chinese words:
// libcurl's result codes mapped to what the user can act on. A code not in
// the table reads "网络错误（<code>）".
std::string FailureReason(CURLcode code, CURL* handle, const TransferLimits& limits);

}  // namespace pixquarry
