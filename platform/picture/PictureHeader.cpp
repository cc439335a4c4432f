#include "platform/picture/PictureHeader.h"

#include <avif/avif.h>
#include <expat.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <webp/decode.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace pixquarry {
namespace {

using namespace std::string_view_literals;
using Verdict = PictureHeader::Verdict;

// While fewer bytes than this have come and none of them says anything, the
// next ones still may.
constexpr std::size_t kTellingSize = 64;

// What one library made of the bytes.
struct Reading {
    enum class State {
        Unknown,  // no library knows these bytes
        Partial,  // well-formed so far; more bytes may hold the size
        Whole,    // the header was read to its end
        Broken,   // the header is wrong: more bytes will not help
    };
    Reading(State state = State::Unknown, std::string type = "", int width = 0, int height = 0)
        : state(state), type(std::move(type)), width(width), height(height) {}
    State state;
    std::string type;
    int width;
    int height;
};
using State = Reading::State;

// The raster formats gdk-pixbuf reads here, told by their signatures. Only these
// loaders ever see the bytes: none for formats we do not report, none for SVG.
const char* RasterType(std::string_view bytes) {
    static constexpr std::pair<std::string_view, const char*> kSignatures[] = {
        {"\x89PNG", "png"},    {"\xFF\xD8", "jpeg"}, {"GIF8", "gif"},     {"BM", "bmp"},
        {"\0\0\1\0"sv, "ico"}, {"II*\0"sv, "tiff"},  {"MM\0*"sv, "tiff"},
    };
    for (const auto& [signature, type] : kSignatures) {
        if (bytes.starts_with(signature))
            return type;
    }
    return nullptr;
}

// The loader reports the size before it allocates the picture; a size of 0 × 0
// makes it stop there, so a header that claims any size costs no pixel memory.
void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
    auto* reading = static_cast<Reading*>(data);
    reading->state = State::Whole;
    reading->width = width;
    reading->height = height;
    gdk_pixbuf_loader_set_size(loader, 0, 0);
}

Reading ReadRaster(std::string_view bytes, const char* type) {
    Reading reading{State::Broken, type};
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(type, &error);
    if (loader == nullptr) {
        g_clear_error(&error);
        return reading;
    }
    reading.state = State::Partial;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &reading);
    // A loader that refuses bytes found them wrong; one that fails only when
    // closed ran out of them.
    if (!gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()),
                                 bytes.size(), &error) &&
        reading.state == State::Partial)
        reading.state = State::Broken;
    g_clear_error(&error);
    gdk_pixbuf_loader_close(loader, &error);
    g_clear_error(&error);
    g_object_unref(loader);
    return reading;
}

// libwebp reads the header alone. gdk-pixbuf's WebP loader decodes every pixel
// whatever size it is told.
Reading ReadWebP(std::string_view bytes) {
    Reading reading{State::Partial, "webp"};
    WebPBitstreamFeatures features;
    const VP8StatusCode status =
        WebPGetFeatures(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &features);
    if (status == VP8_STATUS_OK)
        reading = {State::Whole, "webp", features.width, features.height};
    else if (status != VP8_STATUS_NOT_ENOUGH_DATA)
        reading.state = State::Broken;
    return reading;
}

// libavif parses the container without decoding; gdk-pixbuf's AVIF loader
// decodes the picture before it reports a size, and only from the whole file.
Reading ReadAvif(std::string_view bytes) {
    Reading reading{State::Partial, "avif"};
    const std::unique_ptr<avifDecoder, decltype(&avifDecoderDestroy)> decoder(avifDecoderCreate(),
                                                                              avifDecoderDestroy);
    if (!decoder)
        return {State::Broken, "avif"};
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    decoder->imageDimensionLimit = 0;  // nothing is decoded: a long side is only a number
    avifDecoderSetIOMemory(decoder.get(), reinterpret_cast<const uint8_t*>(bytes.data()),
                           bytes.size());
    const avifResult result = avifDecoderParse(decoder.get());
    if (result == AVIF_RESULT_OK)
        reading = {State::Whole, "avif", static_cast<int>(decoder->image->width),
                   static_cast<int>(decoder->image->height)};
    else if (result != AVIF_RESULT_TRUNCATED_DATA && result != AVIF_RESULT_WAITING_ON_IO)
        reading.state = State::Broken;
    return reading;
}

// The bytes after a byte-order mark, blanks, XML declarations and comments;
// none while those are all there is so far.
std::optional<std::string_view> AfterProlog(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    for (;;) {
        const std::size_t start = bytes.find_first_not_of(" \t\r\n\f");
        if (start == std::string_view::npos)
            return std::nullopt;
        bytes.remove_prefix(start);
        const std::string_view close = bytes.starts_with("<?")     ? "?>"
                                       : bytes.starts_with("<!--") ? "-->"
                                                                   : "";
        if (close.empty())
            return bytes;
        const std::size_t end = bytes.find(close, 2);
        if (end == std::string_view::npos)
            return std::nullopt;
        bytes.remove_prefix(end + close.size());
    }
}

// A page's first tag; an SVG never starts with one.
bool StartsLikePage(std::string_view text) {
    for (const std::string_view tag :
         {"<!doctype html", "<html", "<head", "<body", "<title", "<meta", "<link", "<script",
          "<style", "<div", "<p", "<h1", "<table", "<iframe", "<br", "<a", "<b", "<font"}) {
        if (text.size() > tag.size() &&
            g_ascii_strncasecmp(text.data(), tag.data(), tag.size()) == 0 &&
            " \t\r\n/>"sv.find(text[tag.size()]) != std::string_view::npos)
            return true;
    }
    return false;
}

// An SVG length in CSS pixels: a number alone or in px or an absolute unit; 0
// for a percentage, a font-relative unit or no number.
double SvgLength(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    text = start == std::string_view::npos ? "" : text.substr(start);
    text = text.substr(0, text.find_last_not_of(" \t\r\n") + 1);
    double value = 0;
    const auto [unit, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !(value > 0))
        return 0;
    static constexpr std::pair<std::string_view, double> kUnits[] = {
        {"", 1},    {"px", 1},         {"pt", 4.0 / 3},   {"pc", 16},
        {"in", 96}, {"cm", 96 / 2.54}, {"mm", 96 / 25.4},
    };
    for (const auto& [name, scale] : kUnits) {
        if (name == std::string_view(unit, text.data() + text.size() - unit))
            return value * scale;
    }
    return 0;
}

// viewBox="min-x min-y width height", blanks or commas between.
std::optional<std::array<double, 4>> SvgViewBox(std::string_view text) {
    std::array<double, 4> box{};
    for (double& number : box) {
        const std::size_t start = text.find_first_not_of(" \t\r\n,");
        if (start == std::string_view::npos)
            return std::nullopt;
        text.remove_prefix(start);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error != std::errc())
            return std::nullopt;
        text.remove_prefix(end - text.data());
    }
    if (!(box[2] > 0 && box[3] > 0))
        return std::nullopt;
    return box;
}

int Pixels(double length) {
    return length >= 0.5 && length < INT_MAX ? static_cast<int>(std::lround(length)) : 0;
}

struct SvgRoot {
    XML_Parser parser = nullptr;
    bool seen = false;
    std::string name, width, height, viewBox;
};

// The root element is all that is read: parsing stops there, so nothing the
// document refers to is ever looked at.
void OnRootElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* root = static_cast<SvgRoot*>(data);
    root->seen = true;
    root->name = name;
    for (; attributes[0] != nullptr; attributes += 2) {
        const std::string_view attribute = attributes[0];
        std::string* value = attribute == "width"     ? &root->width
                             : attribute == "height"  ? &root->height
                             : attribute == "viewBox" ? &root->viewBox
                                                      : nullptr;
        if (value != nullptr)
            *value = attributes[1];
    }
    XML_StopParser(root->parser, XML_FALSE);
}

// expat opens nothing itself: with no handler for them, external entities and
// DTDs are never loaded, and its bound on entity expansion stays on.
Reading ReadMarkup(std::string_view bytes, BodyEnd end) {
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
        XML_ParserCreateNS(nullptr, ' '), XML_ParserFree);
    if (!parser)
        return {State::Broken};
    SvgRoot root;
    root.parser = parser.get();
    XML_SetUserData(parser.get(), &root);
    XML_SetStartElementHandler(parser.get(), OnRootElement);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    const XML_Status status = XML_Parse(
        parser.get(), bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)),
        end != BodyEnd::Arriving);
    if (!root.seen)
        return {status == XML_STATUS_ERROR ? State::Broken : State::Partial};
    // Another root is some other document: a feed, a sitemap.
    if (root.name != "svg" && root.name != "http://www.w3.org/2000/svg svg")
        return {State::Broken};
    // A side that is missing follows the viewBox, in its proportion when the
    // other side is given.
    double width = SvgLength(root.width), height = SvgLength(root.height);
    if (const auto box = SvgViewBox(root.viewBox)) {
        if (width == 0 && height == 0) {
            width = (*box)[2];
            height = (*box)[3];
        } else if (height == 0) {
            height = width * (*box)[3] / (*box)[2];
        } else if (width == 0) {
            width = height * (*box)[2] / (*box)[3];
        }
    }
    return {State::Whole, "svg", Pixels(width), Pixels(height)};
}

PictureHeader Header(Verdict verdict, std::string type = "", int width = 0, int height = 0) {
    return {verdict, std::move(type), width, height};
}

}  // namespace

PictureHeader ReadPictureHeader(std::string_view bytes, BodyEnd end) {
    const std::optional<std::string_view> text = AfterProlog(bytes);
    Reading reading;
    if (!text || text->starts_with('<')) {
        if (text && StartsLikePage(*text))
            return Header(Verdict::WebPage);
        reading = ReadMarkup(bytes, end);
    } else if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP") {
        reading = ReadWebP(bytes);
    } else if (const avifROData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
               avifPeekCompatibleFileType(&data)) {
        reading = ReadAvif(bytes);
    } else if (const char* type = RasterType(bytes)) {
        reading = ReadRaster(bytes, type);
    }
    switch (reading.state) {
        case State::Whole:
            return Header(Verdict::Picture, reading.type, reading.width, reading.height);
        case State::Partial:
            if (end == BodyEnd::Arriving)
                return Header(Verdict::NeedMore, reading.type);
            if (end == BodyEnd::CutOff && !reading.type.empty())
                return Header(Verdict::Picture, reading.type);
            break;
        case State::Unknown:
            if (end == BodyEnd::Arriving && bytes.size() < kTellingSize)
                return Header(Verdict::NeedMore);
            break;
        case State::Broken:
            break;
    }
    return Header(Verdict::Unreadable, reading.type);
}

}  // namespace pixquarry
