#pragma once

#include <curl/curl.h>

#include <string>

#include "platform/curl/TransferLimits.h"

namespace pixquarry {

// Why a transfer on `handle` ended with `code`, in a few Chinese words:
// libcurl's result codes mapped to what the user can act on. A code not in
// the table reads "网络错误（<code>）". `headersEnded`: the last answer's
// headers arrived whole.
std::string FailureReason(CURLcode code, CURL* handle, const TransferLimits& limits,
                          bool headersEnded);

// Why a whole answer with `status` holds nothing to use; empty for a 2xx
// answer that may have a body.
std::string AnswerReason(long status);

}  // namespace pixquarry
