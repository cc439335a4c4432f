#pragma once

// A picture's bytes from the network as a thumbnail. Safe on any thread:
// the preview decodes off the window's.

#include <QImage>
#include <QString>

#include <cstdint>
#include <string>

namespace pixquarry {

// What a picture's pixels may take, checked before decoding (a few KiB can
// claim 30,000 x 30,000 pixels); Qt's own check is set to the same.
constexpr int kAllocationLimitMiB = 64;
// What an svgz, or an SVG's entities, may inflate to.
constexpr std::int64_t kMaxInflatedBytes = 16 * 1024 * 1024;

struct DecodedPicture {
    QImage image;   // at most side x side; null when there is none
    QString facts;  // pixel size, byte size and type, or "无法预览：" and the reason
};

// SVG is rendered only after every outside reference is taken out of it, so
// no picture opens a file, device or address, whatever it names.
DecodedPicture DecodeThumbnail(const std::string& bytes, int side);

}  // namespace pixquarry
