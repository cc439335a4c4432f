#include "platform/common/CodePage936.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/common/IconvHandle.h"

namespace pixquarry {

namespace {

// `skip(in, left, out)` steps over input iconv cannot take and appends its
// stand-in. Without a converter only ASCII passes.
template <typename Skip>
std::string Convert(std::string_view text, bool toCodePage, Skip skip) {
    // CP936 has the euro sign at 0x80; plain GBK is the fallback.
    const IconvHandle cd(toCodePage ? "CP936" : "UTF-8", toCodePage ? "UTF-8" : "CP936");
    std::string out(text.size() * 2 + 16, '\0');
    std::size_t used = 0;
    char* in = const_cast<char*>(text.data());  // iconv's signature lacks the const
    std::size_t left = text.size();
    std::string standIn;
    while (left > 0) {
        if (cd.Ok()) {
            char* dst = out.data() + used;
            std::size_t room = out.size() - used;
            const std::size_t rc = iconv(cd.get(), &in, &left, &dst, &room);
            used = static_cast<std::size_t>(dst - out.data());
            if (rc != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        } else if (static_cast<unsigned char>(*in) < 0x80) {
            out[used++] = *in++;
            --left;
            continue;
        }
        standIn.clear();
        skip(in, left, standIn);
        if (out.size() - used < standIn.size() + 16)
            out.resize(out.size() * 2 + standIn.size());
        out.replace(used, standIn.size(), standIn);
        used += standIn.size();
    }
    out.resize(used);
    return out;
}

std::size_t Utf8SequenceLength(const char* p, std::size_t left) {
    const auto lead = static_cast<unsigned char>(*p);
    const std::size_t want = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::size_t n = 1;
    while (n < want && n < left && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

constexpr CodePage936Pair kReplacement{{'\xEF', '\xBF', '\xBD'}, 3};

// Index: (lead - 0x80) * 256 + trail.
using PairTable = std::array<CodePage936Pair, 128 * 256>;

// True when the UTF-8 in `text` is exactly one character.
bool IsOneCharacter(const char* text, std::size_t size) {
    const auto first = static_cast<unsigned char>(text[0]);
    const std::size_t expected = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
    return size == expected;
}

// Code page 936 is stateless, so converting every pair once up front gives
// what converting each pair of a body would, without an iconv call per pair.
std::unique_ptr<const PairTable> BuildPairTable() {
    auto table = std::make_unique<PairTable>();
    table->fill(kReplacement);
    const IconvHandle cd("UTF-8", "CP936");
    if (!cd.Ok())
        return table;
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[16];
            char* in = pair;
            std::size_t inLeft = 2;
            char* dst = out;
            std::size_t outLeft = sizeof out;
            const std::size_t rc = iconv(cd.get(), &in, &inLeft, &dst, &outLeft);
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
            const auto size = static_cast<std::size_t>(dst - out);
            if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || size == 0 || size > 3 ||
                !IsOneCharacter(out, size))
                continue;
            CodePage936Pair& entry = (*table)[(lead - 0x80) * 256 + trail];
            std::copy(out, out + size, entry.bytes.begin());
            entry.size = static_cast<std::uint8_t>(size);
        }
    }
    return table;
}

}  // namespace

std::string Utf8ToCodePage936(std::string_view text) {
    return Convert(text, true, [](char*& in, std::size_t& left, std::string& out) {
        out += '?';
        const std::size_t n = Utf8SequenceLength(in, left);
        in += n;
        left -= n;
    });
}

std::string CodePage936ToUtf8(std::string_view bytes) {
    // Pair by pair from the table: the text iconv gives, in one pass however
    // many bytes are not code page 936 (iconv would start again after each).
    constexpr std::string_view kNone = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::string_view pair;
        if (lead > 0x80 && lead < 0xFF && i + 1 < bytes.size()) {
            const CodePage936Pair& at =
                CodePage936PairAt(lead, static_cast<unsigned char>(bytes[i + 1]));
            pair = std::string_view(at.bytes.data(), at.size);
        }
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
        } else if (lead == 0x80) {
            out += "\xE2\x82\xAC";  // the euro sign, the one single byte above ASCII
            ++i;
        } else if (!pair.empty() && pair != kNone) {
            out += pair;
            i += 2;
        } else {
            out += kNone;  // and the next byte starts afresh
            ++i;
        }
    }
    return out;
}

const CodePage936Pair& CodePage936PairAt(unsigned char lead, unsigned char trail) {
    static const std::unique_ptr<const PairTable> table = BuildPairTable();
    return (*table)[(lead - 0x80u) * 256u + trail];
}

}  // namespace pixquarry
