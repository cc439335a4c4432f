#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "update/ProfileFile.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
protected:
    // Open to others for the test that runs as nobody.
    void SetUp() override {
        fs::permissions(m_folder, fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
    }

    std::string Path(const std::string& name) const { return (m_folder / name).string(); }
    static std::optional<std::string> Bytes(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return std::nullopt;
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    testing::TempFolder m_temp;
    const fs::path& m_folder = m_temp.Path();
};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

struct Entry {
    std::string section, key, value;
};

struct Case {
    const char* name;
    std::optional<std::string> before;  // none: no file
    std::vector<Entry> writes;
    std::optional<std::string> after;  // file bytes, when checked
    std::vector<Entry> reads;
};

TEST_F(ProfileFile, WritesAndReadsBack) {
    const std::string a127 = Repeat("a", 127), a128 = Repeat("a", 128);
    const std::vector<Case> cases = {
        {"missing file is created",
         {},
         {{"UpdateSet", "Ver", "101"}},
         "[UpdateSet]\r\nVer=101\r\n",
         {{"UpdateSet", "Ver", "101"}}},
        {"key replaced in place with its spelling",
         "[UpdateSet]\r\nVER=1\r\nAppName=a\r\n",
         {{"updateset", "ver", "2"}},
         "[UpdateSet]\r\nVER=2\r\nAppName=a\r\n",
         {{"UPDATESET", "Ver", "2"}}},
        {"missing key after the section's last key",
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n",
         {{"a", "z", "3"}},
         "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n",
         {{"A", "Z", "3"}}},
        {"key into a section without keys",
         "[A]\r\n\r\n[B]\r\n",
         {{"A", "x", "1"}},
         "[A]\r\nx=1\r\n\r\n[B]\r\n",
         {}},
        {"missing section appended",
         "[A]\r\nx=1",
         {{"B", "y", "2"}},
         "[A]\r\nx=1\r\n[B]\r\ny=2\r\n",
         {{"A", "x", "1"}}},
        {"empty value", {}, {{"S", "K", ""}}, "[S]\r\nK=\r\n", {{"S", "K", ""}}},
        {"127 characters", {}, {{"S", "K", a127}}, "[S]\r\nK=" + a127 + "\r\n", {{"S", "K", a127}}},
        {"128 characters stored, 127 read",
         {},
         {{"S", "K", a128}},
         "[S]\r\nK=" + a128 + "\r\n",
         {{"S", "K", a127}}},
        {"129 characters cut to 128",
         {},
         {{"S", "K", a128 + "b"}},
         "[S]\r\nK=" + a128 + "\r\n",
         {}},
        {"200 characters cut to 128",
         {},
         {{"S", "K", Repeat("a", 200)}},
         "[S]\r\nK=" + a128 + "\r\n",
         {}},
        {"characters, not bytes; read cut drops a split pair",
         {},
         {{"S", "K", Repeat("中", 200)}},
         "[S]\r\nK=" + Repeat("\xD6\xD0", 128) + "\r\n",
         {{"S", "K", Repeat("中", 63)}}},
        {"read cut ending between pairs",
         {},
         {{"S", "K", "a" + Repeat("中", 70)}},
         {},
         {{"S", "K", "a" + Repeat("中", 63)}}},
        {"code page 936 bytes and CR LF",
         {},
         {{"设置", "名称", "中文"}},
         "[\xC9\xE8\xD6\xC3]\r\n\xC3\xFB\xB3\xC6=\xD6\xD0\xCE\xC4\r\n",
         {{"设置", "名称", "中文"}}},
        {"unconvertible character and NUL",
         {},
         {{"S", "K", std::string("a😀b\0c", 8)}},
         "[S]\r\nK=a?b\r\n",
         {}},
        {"spaces trimmed on read, tabs kept",
         "[S]\r\nK=  abc  \r\nT=\t x \t\r\n",
         {},
         {},
         {{"S", "K", "abc"}, {"S", "T", "\t x \t"}}},
        {"LF lines, comments, no last line end",
         "; c\n[S]\n;K=w\nK=v\nJ=x",
         {},
         {},
         {{"S", "K", "v"}, {"S", "J", "x"}}},
        {"missing file, section or key read empty",
         "[S]\r\nK=v\r\n[T]\r\n",
         {},
         {},
         {{"T", "K", ""}, {"S", "L", ""}, {"U", "K", ""}}},
        {"a pair's letter-like trail keeps its case",
         {},
         {{"S", "丄", "1"}},
         "[S]\r\n\x81\x41=1\r\n",
         {{"S", "乤", ""}}},
    };
    for (const Case& c : cases) {
        const std::string path = Path("Update.ini");
        fs::remove(path);
        if (c.before)
            Put(path, *c.before);
        for (const Entry& w : c.writes)
            WriteGoIni(path, w.section, w.key, w.value);
        if (c.after) {
            EXPECT_EQ(Bytes(path), c.after) << c.name;
        }
        for (const Entry& r : c.reads)
            EXPECT_EQ(ReadGoIni(path, r.section, r.key), r.value) << c.name << ": " << r.key;
    }
    EXPECT_EQ(ReadGoIni(Path("none.ini"), "S", "K"), "");
    EXPECT_FALSE(fs::exists(Path("none.ini")));
}

TEST_F(ProfileFile, ReplacingKeepsThePermissions) {
    const std::string path = Path("Update.ini");
    Put(path, "[S]\r\nK=1\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(WriteProfileString(path, "S", "K", "2"), "");
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
}

TEST_F(ProfileFile, RefusesNamesAndValuesThatWouldBreakTheFile) {
    const std::string path = Path("Update.ini");
    for (const Entry& e : std::vector<Entry>{{"", "K", "v"},
                                             {"S]", "K", "v"},
                                             {"S", "a=b", "v"},
                                             {"S", "[K", "v"},
                                             {"S", "K", "a\nb"}})
        EXPECT_NE(WriteProfileString(path, e.section, e.key, e.value), "") << e.section << e.key;
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(ProfileFile, UnwritableFolderIsReportedAndLeftEmpty) {
    const fs::path locked = m_folder / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    const std::string path = (locked / "Update.ini").string();
    const auto refused = [&] { return !WriteProfileString(path, "S", "K", "v").empty(); };
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused());
    } else {
        // Root writes anywhere: try as nobody in a child process instead.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(refused() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_TRUE(fs::is_empty(locked));
}

}  // namespace
}  // namespace pixquarry
