#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <string>

#include "platform/picture/PictureHeader.h"
#include "tests/support/Files.h"
#include "tests/support/SavedPicture.h"

namespace pixquarry {
namespace {

using Verdict = PictureHeader::Verdict;

std::string Saved(const char* type, int width, int height) {
    return pixquarry::testing::SavedPicture(type, width, height);
}

std::string Kept(const char* name) {
    return testing::ReadFile(std::string(PIXQUARRY_TEST_DATA "/pictures/") + name);
}

std::string Le32(std::uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

// "VmRSS:" (resident size) or "VmHWM:" (its peak since ResetPeak()) in KiB.
long StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field))
            return std::stol(line.substr(field.size()));
    }
    return -1;
}
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void ExpectHeader(const PictureHeader& header, Verdict verdict, const std::string& type, int width,
                  int height) {
    EXPECT_EQ(header.verdict, verdict);
    EXPECT_EQ(header.type, type);
    EXPECT_EQ(header.width, width);
    EXPECT_EQ(header.height, height);
}

TEST(PictureHeader, EachTypeGivesItsSizeAndACutHeaderWaitsThenFails) {
    const struct {
        const char* name;
        std::string bytes;
        const char* type;
        int width, height;
    } cases[] = {
        {"png", Saved("png", 7, 5), "png", 7, 5},
        {"jpeg", Saved("jpeg", 9, 4), "jpeg", 9, 4},
        {"bmp", Saved("bmp", 3, 8), "bmp", 3, 8},
        {"ico", Saved("ico", 16, 12), "ico", 16, 12},
        {"tiff", Saved("tiff", 5, 6), "tiff", 5, 6},
        {"gif", Kept("flat-11x7.gif"), "gif", 11, 7},
        {"webp", Kept("flat-13x6.webp"), "webp", 13, 6},
        {"avif", Kept("flat-6x10.avif"), "avif", 6, 10},
        {"svg with width and height",
         "<?xml version='1.0'?><!-- a -->\n<svg xmlns='http://www.w3.org/2000/svg' width='120' "
         "height='8mm'/>",
         "svg", 120, 30},
        {"svg with a viewBox only", "\xEF\xBB\xBF <svg viewBox='0 0 40,25'></svg>", "svg", 40, 25},
        {"svg with one side and a viewBox", "<svg width='80px' viewBox='0 0 40 25'>", "svg", 80,
         50},
        {"svg that refers to files",
         "<!DOCTYPE svg [<!ENTITY e SYSTEM '/etc/passwd'>]><svg width='3' height='4' "
         "xmlns:l='http://www.w3.org/1999/xlink'><image l:href='/etc/passwd'/>&e;</svg>",
         "svg", 3, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectHeader(ReadPictureHeader(c.bytes, BodyEnd::Arriving), Verdict::Picture, c.type,
                     c.width, c.height);
        ExpectHeader(ReadPictureHeader(c.bytes, BodyEnd::Ended), Verdict::Picture, c.type, c.width,
                     c.height);
        const std::string cut = c.bytes.substr(0, 10);
        EXPECT_EQ(ReadPictureHeader(cut, BodyEnd::Arriving).verdict, Verdict::NeedMore);
        EXPECT_EQ(ReadPictureHeader(cut, BodyEnd::Ended).verdict, Verdict::Unreadable);
    }
#ifndef PIXQUARRY_SANITIZED  // the sanitizer holds freed memory back
    // Nothing is kept from one reading to the next.
    const long resident = StatusKiB("VmRSS:");
    for (int i = 0; i < 10000; ++i)
        ReadPictureHeader(cases[i % std::size(cases)].bytes, BodyEnd::Ended);
    EXPECT_LT(StatusKiB("VmRSS:") - resident, 4 * 1024);
#endif
}

TEST(PictureHeader, LateSizesClaimsPagesAndNoiseCostNoPixelsAndPrintNothing) {
    // 200 KiB of EXIF before the JPEG's size, in four APP1 segments.
    std::string exif = Saved("jpeg", 9, 4);
    for (int i = 0; i < 4; ++i)
        exif.insert(2, std::string("\xFF\xE1\xC8\x00", 4) + "Exif" + std::string(51194, '\0'));
    const std::string first64k = exif.substr(0, 64 * 1024);
    // Run-length coded, so a loader that went on would clear 400 MB for the pixels.
    const std::string bmpClaim = "BM" + Le32(60) + Le32(0) + Le32(58) + Le32(40) + Le32(10000) +
                                 Le32(10000) + Le32(1 | 8 << 16) + Le32(1) + Le32(0) + Le32(2835) +
                                 Le32(2835) + Le32(1) + Le32(0) + Le32(0) + std::string("\0\1", 2);
    // The PNG signature, an IHDR of 100,000 × 100,000 with its CRC, an IDAT's start.
    const std::string pngClaim(
        "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x06\0\0\0\xa8R\x0b\xc8"
        "\0\0\0\0IDAT",
        41);
    std::string noise(4096, '\0');
    std::mt19937 random(21);
    for (char& byte : noise)
        byte = static_cast<char>(random());
    const struct {
        const char* name;
        std::string bytes;
        BodyEnd end;
        Verdict verdict;
        const char* type;
        int width, height;
    } cases[] = {
        {"EXIF, 64 KiB so far", first64k, BodyEnd::Arriving, Verdict::NeedMore, "jpeg", 0, 0},
        {"EXIF, 64 KiB and no more read", first64k, BodyEnd::CutOff, Verdict::Picture, "jpeg", 0,
         0},
        {"EXIF, the body ended at 64 KiB", first64k, BodyEnd::Ended, Verdict::Unreadable, "jpeg", 0,
         0},
        {"EXIF, then the size", exif, BodyEnd::Arriving, Verdict::Picture, "jpeg", 9, 4},
        {"PNG claiming 100,000 × 100,000", pngClaim, BodyEnd::Arriving, Verdict::Picture, "png",
         100000, 100000},
        {"BMP claiming 10,000 × 10,000", bmpClaim, BodyEnd::Ended, Verdict::Picture, "bmp", 10000,
         10000},
        {"WebP of 16383 × 16383 in 36 bytes", Kept("claim-16383x16383.webp"), BodyEnd::Ended,
         Verdict::Picture, "webp", 16383, 16383},
        {"AVIF of 8000 × 8000 in 854 bytes", Kept("claim-8000x8000.avif"), BodyEnd::Ended,
         Verdict::Picture, "avif", 8000, 8000},
        {"a not-found page", "\r\n<!DOCTYPE html>\n<html><title>404 Not Found</title>",
         BodyEnd::Arriving, Verdict::WebPage, "", 0, 0},
        {"an XHTML page", "<?xml version='1.0'?>\n<HTML xmlns='http://www.w3.org/1999/xhtml'>",
         BodyEnd::Ended, Verdict::WebPage, "", 0, 0},
        {"a feed", "<?xml version='1.0'?><rss version='2.0'>", BodyEnd::Arriving,
         Verdict::Unreadable, "", 0, 0},
        {"random bytes", noise, BodyEnd::Arriving, Verdict::Unreadable, "", 0, 0},
        {"nothing yet", "", BodyEnd::Arriving, Verdict::NeedMore, "", 0, 0},
        {"nothing at all", "", BodyEnd::Ended, Verdict::Unreadable, "", 0, 0},
    };
    ResetPeak();
    const long before = StatusKiB("VmHWM:");
    ::testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectHeader(ReadPictureHeader(c.bytes, c.end), c.verdict, c.type, c.width, c.height);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_LT(StatusKiB("VmHWM:") - before, 32 * 1024);
}

}  // namespace
}  // namespace pixquarry
