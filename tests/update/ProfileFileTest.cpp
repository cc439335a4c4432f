#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "update/ProfileFile.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (m_folder / name).string(); }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    testing::TempFolder m_temp;
    const fs::path& m_folder = m_temp.Path();
};

struct Entry {
    std::string section, key, value;
};

// fuzz_profile writes any names and values into any file and reads each back,
// in code page 936 with CR LF, with WriteGoIni's cut to 128 characters and NUL;
// these rows pin where a line goes and what cannot be written as it is.
TEST_F(ProfileFile, WritesInPlaceInCodePage936) {
    struct Case {
        const char* name;
        std::optional<std::string> before;  // none: no file
        Entry write;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"missing file is created", {}, {"UpdateSet", "Ver", "101"}, "[UpdateSet]\r\nVer=101\r\n"},
        {"key replaced in place with its spelling",
         "[UpdateSet]\r\nVER=1\r\nAppName=a\r\n",
         {"updateset", "ver", "2"},
         "[UpdateSet]\r\nVER=2\r\nAppName=a\r\n"},
        {"missing key after the section's last key",
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n",
         {"a", "z", "3"},
         "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        {"key into a section without keys",
         "[A]\r\n\r\n[B]\r\n",
         {"A", "x", "1"},
         "[A]\r\nx=1\r\n\r\n[B]\r\n"},
        {"missing section appended", "[A]\nx=1", {"B", "y", "2"}, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"unconvertible character, NUL",
         {},
         {"S", "K", std::string("a😀b\0c", 8)},
         "[S]\r\nK=a?b\r\n"},
        {"blanks around names go, as when the file is read",
         "[S]\r\nK=1\r\n",
         {" S\t", "\tK ", "2"},
         "[S]\r\nK=2\r\n"},
        {"a name's blanks never reach the file", {}, {" S", "K\t", "v"}, "[S]\r\nK=v\r\n"},
        {"a pair's letter-like trail keeps its case",
         "[S]\r\n\x81\x61=1\r\n",
         {"S", "丄", "2"},
         "[S]\r\n\x81\x61=1\r\n\x81\x41=2\r\n"},
    };
    const std::string path = Path("Update.ini");
    for (const Case& c : cases) {
        fs::remove(path);
        if (c.before)
            Put(path, *c.before);
        WriteGoIni(path, c.write.section, c.write.key, c.write.value);
        EXPECT_EQ(testing::ReadFile(path), c.after) << c.name;
    }
}

// What fuzz_profile wrote reads back through ReadGoIni cut to 127 bytes, no
// pair split, spaces trimmed, names in code page 936 in any letter case and
// with blanks around them; these rows are files no writer of ours made.
TEST_F(ProfileFile, ReadsHandWrittenFiles) {
    struct Case {
        const char* name;
        std::string file;
        Entry read;
    };
    const std::vector<Case> cases = {
        {"LF lines, comments, no last line end", "; c\n[S]\n;K=w\nK=v", {"S", "K", "v"}},
        {"NUL ends the value", std::string("[S]\r\nK=ab\0c\r\n", 13), {"S", "K", "ab"}},
        {"missing key", "[S]\r\nK=v\r\n[T]\r\n", {"T", "K", ""}},
        {"missing section", "[S]\r\nK=v\r\n", {"U", "K", ""}},
    };
    const std::string path = Path("Update.ini");
    for (const Case& c : cases) {
        Put(path, c.file);
        EXPECT_EQ(ReadGoIni(path, c.read.section, c.read.key), c.read.value) << c.name;
    }
    EXPECT_EQ(ReadGoIni(Path("none.ini"), "S", "K"), "");
    EXPECT_FALSE(fs::exists(Path("none.ini")));
}

}  // namespace
}  // namespace pixquarry
