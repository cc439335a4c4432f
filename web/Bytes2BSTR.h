#pragma once

#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace pixquarry {

struct Bytes2BstrResult {
    std::string text;  // UTF-8
    enum class Ending { Complete, TimedOut, MissingTrailByte } ending = Ending::Complete;
};

// Decodes an HTTP body as code page 936 (GBK) into UTF-8, in linear time.
// A byte below 0x80 is its ASCII character; any other byte is a lead byte and
// takes the next byte as its trail, whatever that byte is. A pair that is not
// exactly one character of code page 936 becomes one U+FFFD.
//
// Time budget: clock.Now() is read once before the first character (rounded
// to the whole second) and once after every decoded character or pair, the
// last one included. When the whole seconds since then exceed 5, decoding
// stops there: TimedOut, with the text so far (never empty for a non-empty
// body). A lead byte with nothing after it ends in MissingTrailByte, with the
// text before it.
Bytes2BstrResult bytes2BSTR(std::string_view vIn, Clock& clock);

}  // namespace pixquarry
