#pragma once

#include <string>
#include <string_view>

namespace pixquarry {

// What the first bytes of a body say about the picture in it.
struct PictureHeader {
    enum class Verdict { Picture, NeedMore, WebPage, Unreadable };
    Verdict verdict = Verdict::NeedMore;
    // "png", "jpeg", "gif", "webp", "svg", "bmp", "ico", "avif" or "tiff"; "" when unknown.
    std::string type;
    int width = 0;  // 0 when not known
    int height = 0;
};

// How the bytes handed over end.
enum class BodyEnd {
    Arriving,  // more of the body may follow
    Ended,     // the body ended: these are all its bytes
    CutOff,    // the caller reads no more, though the body goes on
};

// Reads the type and pixel size from the first bytes of a body without decoding
// a pixel. NeedMore only while Arriving and more bytes could tell more. A known
// type whose size is still missing is a Picture of unknown size when CutOff, and
// Unreadable when Ended (a cut or broken header).
PictureHeader ReadPictureHeader(std::string_view bytes, BodyEnd end);

}  // namespace pixquarry
