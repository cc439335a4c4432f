#pragma once

#include <iconv.h>

#include <cstring>

namespace pixquarry {

// Opens a converter; code page 936 is asked for as "CP936" and, where a C
// library lacks that name, as "GBK". Returns (iconv_t)-1 when neither exists.
inline iconv_t OpenIconv(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd != reinterpret_cast<iconv_t>(-1))
        return cd;
    const bool toCp = std::strcmp(to, "CP936") == 0;
    const bool fromCp = std::strcmp(from, "CP936") == 0;
    if (!toCp && !fromCp)
        return cd;
    return iconv_open(toCp ? "GBK" : to, fromCp ? "GBK" : from);
}

// Owns one iconv converter.
class IconvHandle final {
public:
    IconvHandle(const char* to, const char* from) : m_cd(OpenIconv(to, from)) {}
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    ~IconvHandle() {
        if (Ok())
            iconv_close(m_cd);
    }
    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

}  // namespace pixquarry
