// Profile files: up to four writes, through WriteProfileString or the window's
// WriteGoIni, into no file or a file of any bytes. Each value reads back as
// stored (through ReadGoIni as the window's buffer cuts it), the last write to
// a name wins, every line of the file ends in CR LF, and a file made from
// nothing holds only "[section]" and "key=value" lines, one for each key.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "tests/support/TempFolder.h"
#include "update/ProfileFile.h"

namespace {

using namespace pixquarry;

std::string Bytes(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

std::string BeforeNul(const std::string& s) {
    return s.substr(0, s.find('\0'));
}

bool IsLead(char c) {
    return static_cast<unsigned char>(c) >= 0x81 && c != '\xFF';
}

// Code page 936 names as lookups compare them: blanks off both ends, ASCII
// letters in lower case but for the second byte of a pair.
std::string Normal(std::string s) {
    s.erase(0, std::min(s.find_first_not_of(" \t"), s.size()));
    s.erase(s.find_last_not_of(" \t") + 1);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (IsLead(s[i]))
            ++i;
        else if (s[i] >= 'A' && s[i] <= 'Z')
            s[i] = static_cast<char>(s[i] + 32);
    }
    return s;
}

std::string KeyId(const std::string& section, const std::string& key) {
    return Normal(Utf8ToCodePage936(BeforeNul(section))) + '\n' +
           Normal(Utf8ToCodePage936(BeforeNul(key)));
}

// What ReadGoIni gives for stored bytes: at most 127 of them with no pair cut
// in two, decoded, without spaces at either end.
std::string WindowValue(const std::string& stored) {
    std::size_t keep = 0;
    for (std::size_t next = 0; next < stored.size(); keep = next) {
        next += IsLead(stored[next]) && next + 1 < stored.size() ? 2 : 1;
        if (next > 127)
            break;
    }
    const std::string text = CodePage936ToUtf8(stored.substr(0, keep));
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

struct Written {
    std::string section, key;  // as last written
    std::string stored;        // the value's code page 936 bytes
};

// Only "[section]" and "key=value" lines ending in CR LF, a section first, and
// one line for each key written.
void CheckMadeFile(const std::string& file, std::size_t keys) {
    bool inSection = false;
    for (std::size_t at = 0, end = 0; at < file.size(); at = end + 2) {
        end = file.find("\r\n", at);
        const std::string line = file.substr(at, end - at);
        FUZZ_CHECK(end != std::string::npos && line.find_first_of("\r\n") == std::string::npos);
        const bool section = line.size() > 2 && line.front() == '[' && line.back() == ']';
        FUZZ_CHECK(section || (inSection && line.find('=') != std::string::npos));
        inSection = true;
        keys -= !section;
    }
    FUZZ_CHECK(keys == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testing::TempFolder folder;
    const std::string path = (folder.Path() / "Update.ini").string();
    std::filesystem::remove(path);
    FuzzedDataProvider in(data, size);
    const bool fromNothing = in.ConsumeBool();
    if (!fromNothing)
        std::ofstream(path, std::ios::binary) << in.ConsumeRandomLengthString(512);
    std::map<std::string, Written> written;  // by KeyId
    for (int write = 0; write < 4 && in.remaining_bytes() > 0; ++write) {
        const std::string section = in.ConsumeRandomLengthString(24);
        const std::string key = in.ConsumeRandomLengthString(24);
        std::string value = in.ConsumeRandomLengthString(300);
        const std::string before = Bytes(path);
        if (in.ConsumeBool()) {
            // The window's write is the plain write of the first 128 characters.
            const bool windowRefused = !WriteGoIni(path, section, key, value).empty();
            const std::string byWindow = Bytes(path);
            std::ofstream(path, std::ios::binary) << before;
            value = BeforeNul(value);
            for (std::size_t i = 0, count = 0; i < value.size(); ++i) {
                if ((value[i] & 0xC0) != 0x80 && count++ == 128)
                    value.resize(i);
            }
            const bool refused = !WriteProfileString(path, section, key, value).empty();
            FUZZ_CHECK(Bytes(path) == byWindow && refused == windowRefused);
            if (refused)
                continue;
        } else if (!WriteProfileString(path, section, key, value).empty()) {
            FUZZ_CHECK(Bytes(path) == before);
            continue;
        }
        written[KeyId(section, key)] = {section, key, Utf8ToCodePage936(BeforeNul(value))};
        for (const auto& [id, w] : written) {
            const ProfileValue read = ReadProfileBytes(path, w.section, w.key);
            FUZZ_CHECK(read.error.empty() && read.bytes == w.stored);
            FUZZ_CHECK(ReadGoIni(path, w.section, w.key) == WindowValue(w.stored));
        }
        // Whatever was there before, every line now ends in CR LF.
        const std::string file = Bytes(path);
        for (std::size_t at = file.find('\n'); at != std::string::npos;
             at = file.find('\n', at + 1))
            FUZZ_CHECK(at > 0 && file[at - 1] == '\r');
        FUZZ_CHECK(file.ends_with("\r\n"));
        if (fromNothing)
            CheckMadeFile(file, written.size());
    }
    return 0;
}
