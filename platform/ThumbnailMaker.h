#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pixquarry {

// A picture made small for the hover tip: 32-bit pixels with alpha, row by
// row (0xAARRGGBB), at most `side` on its longer edge.
struct Thumbnail {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // empty when there is no picture to show
    std::string facts;  // pixel size, byte size and type, or "无法预览：" and the reason

    std::int64_t Cost() const {
        return static_cast<std::int64_t>(pixels.size() * sizeof(std::uint32_t) + facts.size()) +
               256;
    }
};

// Turns a picture's bytes into a thumbnail away from the window's thread:
// decoding a large picture takes far longer than the window may stand
// still. `made` runs later, on the window's thread.
class ThumbnailMaker {
public:
    using Made = std::function<void(Thumbnail thumbnail)>;

    virtual ~ThumbnailMaker() = default;
    // `urgent`: the picture under the pointer, made before the others.
    // Returns an id for Cancel.
    virtual std::uint64_t Make(std::string bytes, int side, bool urgent, Made made) = 0;
    // `made` never runs; work already begun is left to end unheard.
    virtual void Cancel(std::uint64_t id) = 0;
};

}  // namespace pixquarry
