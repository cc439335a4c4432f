#include "update/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/common/SystemReason.h"
#include "platform/posix/FileDescriptor.h"
#include "platform/posix/PartFile.h"

namespace pixquarry {

namespace {

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

std::string_view CutAtNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// The first `count` characters of UTF-8 text.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count-- == 0)
            return text.substr(0, i);
    }
    return text;
}

// The longest start of code page 936 bytes within `limit` bytes that ends on
// a character boundary.
std::string_view FirstBytesWhole(std::string_view bytes, std::size_t limit) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t step =
            IsLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        if (i + step > limit)
            break;
        i += step;
    }
    return bytes.substr(0, i);
}

// Finds an ASCII character in code page 936 text, never inside a pair.
std::size_t FindAscii(std::string_view bytes, char c, std::size_t from = 0) {
    for (std::size_t i = from; i < bytes.size(); ++i) {
        if (bytes[i] == c)
            return i;
        if (IsLeadByte(static_cast<unsigned char>(bytes[i])))
            ++i;
    }
    return std::string_view::npos;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for ASCII letter case; pairs must match exactly (their trail byte
// may look like an ASCII letter).
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a.substr(i, 2) != b.substr(i, 2))
                return false;
            ++i;
        } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

struct Line {
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    std::string_view name;   // the section's or key's
    std::size_t equals = 0;  // where the key's '=' is
};

Line Classify(std::string_view text) {
    Line line;
    const std::string_view body = TrimBlanks(text);
    if (body.empty() || body[0] == ';')
        return line;
    if (body[0] == '[') {
        const std::size_t close = FindAscii(body, ']', 1);
        if (close != std::string_view::npos) {
            line.kind = Line::Kind::Section;
            line.name = TrimBlanks(body.substr(1, close - 1));
        }
        return line;
    }
    // '=' is never the trail byte of a pair.
    line.equals = text.find('=');
    if (line.equals != std::string_view::npos) {
        line.kind = Line::Kind::Key;
        line.name = TrimBlanks(text.substr(0, line.equals));
    }
    return line;
}

// Splits at LF; a CR before it and a missing last line end are both fine.
std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos)
            end = bytes.size();
        if (end > start && bytes[end - 1] == '\r')
            --end;
        lines.emplace_back(bytes, start, end - start);
        start = next;
    }
    return lines;
}

struct Place {
    std::size_t section = std::string::npos;  // the section line
    std::size_t key = std::string::npos;      // the key line
    std::size_t lastKey = std::string::npos;  // the section's last key line
};

Place Find(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    Place place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line line = Classify(lines[i]);
        if (line.kind == Line::Kind::Section) {
            if (place.section != std::string::npos)
                break;
            if (SameName(line.name, section))
                place.section = place.lastKey = i;
        } else if (place.section != std::string::npos && line.kind == Line::Kind::Key) {
            place.lastKey = i;
            if (SameName(line.name, key)) {
                place.key = i;
                break;
            }
        }
    }
    return place;
}

std::string Reason(const std::string& what, const std::string& path, int error) {
    return what + "“" + path + "”：" + SystemReason(error);
}

// Reads a whole file; `error` is its errno, ENOENT included.
std::string ReadFile(const std::string& path, int& error, mode_t* mode = nullptr) {
    std::string bytes;
    error = 0;
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        error = errno;
        return bytes;
    }
    if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return bytes;
    }
    if (mode)
        *mode = info.st_mode & 07777;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

// Writes a new file next to `path` and renames it over `path`.
std::string ReplaceFile(const std::string& path, const std::string& bytes,
                        std::optional<mode_t> keepMode) {
    const std::size_t slash = path.rfind('/');
    PartFile part(slash == std::string::npos ? "." : path.substr(0, slash + 1));
    if (!part.OpenError().empty())
        return "无法在此处创建文件“" + path + "”：" + part.OpenError();
    std::string error;
    if (!part.Write(bytes, error) || !part.Commit(path, error, keepMode, true))
        return "无法写入文件“" + path + "”：" + error;
    return {};
}

std::string CheckNames(std::string_view section, std::string_view key, std::string_view value) {
    if (section.empty() || key.empty())
        return "节名和键名都不能为空";
    if (section.find_first_of("\r\n") != std::string_view::npos ||
        FindAscii(section, ']') != std::string_view::npos)
        return "节名不能含有换行或“]”";
    if (key.find_first_of("\r\n=") != std::string_view::npos || key[0] == '[' || key[0] == ';')
        return "键名不能含有换行或“=”，也不能以“[”或“;”开头";
    if (value.find_first_of("\r\n") != std::string_view::npos)
        return "值不能含有换行";
    return {};
}

// A section or key name as the file holds it: code page 936, without the
// blanks around it that a line's name loses when it is read.
std::string NameBytes(const std::string& name) {
    return std::string(TrimBlanks(Utf8ToCodePage936(CutAtNul(name))));
}

}  // namespace

std::string WriteProfileString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& value) {
    const std::string s = NameBytes(section);
    const std::string k = NameBytes(key);
    const std::string v = Utf8ToCodePage936(CutAtNul(value));
    if (std::string problem = CheckNames(s, k, v); !problem.empty())
        return problem;

    int error = 0;
    mode_t mode = 0;
    const std::string old = ReadFile(path, error, &mode);
    if (error != 0 && error != ENOENT)
        return Reason("无法读取文件", path, error);
    std::optional<mode_t> keepMode;
    if (error == 0)
        keepMode = mode;

    std::vector<std::string> lines = SplitLines(old);
    const Place place = Find(lines, s, k);
    if (place.section == std::string::npos) {
        lines.push_back("[" + s + "]");
        lines.push_back(k + "=" + v);
    } else if (place.key != std::string::npos) {
        std::string& line = lines[place.key];
        line.replace(Classify(line).equals + 1, std::string::npos, v);
    } else {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.lastKey + 1), k + "=" + v);
    }

    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return ReplaceFile(path, text, keepMode);
}

ProfileValue ReadProfileBytes(const std::string& path, const std::string& section,
                              const std::string& key) {
    ProfileValue result;
    int error = 0;
    const std::string bytes = ReadFile(path, error);
    if (error != 0) {
        if (error != ENOENT && error != ENOTDIR)
            result.error = Reason("无法读取文件", path, error);
        return result;
    }
    const std::vector<std::string> lines = SplitLines(bytes);
    const Place place = Find(lines, NameBytes(section), NameBytes(key));
    if (place.key != std::string::npos) {
        const std::string& line = lines[place.key];
        result.bytes = line.substr(Classify(line).equals + 1);
    }
    return result;
}

std::string WriteGoIni(const std::string& FileName, const std::string& Section,
                       const std::string& Key, const std::string& Value) {
    // The value passes through a 128-character buffer: longer ones lose their end.
    constexpr std::size_t kBufferCharacters = 128;
    return WriteProfileString(FileName, Section, Key,
                              std::string(FirstCharacters(CutAtNul(Value), kBufferCharacters)));
}

std::string ReadGoIni(const std::string& FileName, const std::string& Section,
                      const std::string& Key) {
    // 127 bytes and the closing NUL fill the window's 128-byte buffer.
    constexpr std::size_t kBufferBytes = 127;
    const ProfileValue stored = ReadProfileBytes(FileName, Section, Key);
    if (!stored.bytes)
        return {};
    const std::string text = CodePage936ToUtf8(FirstBytesWhole(*stored.bytes, kBufferBytes));
    const std::string_view value = CutAtNul(text);
    const std::size_t first = value.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(value.substr(first, value.find_last_not_of(' ') - first + 1));
}

}  // namespace pixquarry
