#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the real command-line harvester through the shell.
Result RunCli(const std::string& args) {
    const fs::path err = fs::temp_directory_path() / ("pq-cli-err-" + std::to_string(::getpid()));
    const std::string command =
        std::string(PIXQUARRY_CLI) + " " + args + " 2>" + Quote(err.string());
    Result r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    r.err.assign(std::istreambuf_iterator<char>(in), {});
    fs::remove(err);
    return r;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("pq-cli-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Source(const std::string& css) {
        const fs::path path = m_dir / "in.css";
        std::ofstream(path, std::ios::binary) << css;
        return Quote(path.string());
    }
    fs::path m_dir;
};

TEST_F(Cli, PrintsTheListInListOrder) {
    const std::string src = Source("url(b.png) url('../A.png') url(b.png) url(#x)");
    Result r = RunCli("extract --domain http://h/ " + src);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "http://h/A.png\nhttp://h/b.png\n");

    r = RunCli("extract " + src);
    EXPECT_EQ(r.out, "http://www.pixquarry.example/A.png\nhttp://www.pixquarry.example/b.png\n");

    r = RunCli("extract --domain '' " + src);
    EXPECT_EQ(r.out, "A.png\nb.png\n");
}

TEST_F(Cli, JsonCarriesModeAndEscapedItems) {
    Result r = RunCli("extract --json --domain= " + Source("url(\"a\\\"\tq.png\") url(x\n.png)"));
    EXPECT_EQ(r.status, 0);
    // The backslash became a slash; the tab and the line end stay in the link.
    EXPECT_EQ(r.out, "{\"mode\": 2, \"items\": [\"a/\\tq.png\", \"x\\n.png\"]}\n");

    r = RunCli("extract --json " + Source("nothing here"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "{\"mode\": 3, \"items\": []}\n");
}

TEST_F(Cli, ExitStatusTellsWhatWentWrong) {
    Result r = RunCli("extract " + Quote((m_dir / "missing.css").string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.css"), std::string::npos);
    EXPECT_NE(r.err.find("文件不存在"), std::string::npos);
    EXPECT_EQ(r.out, "");

    EXPECT_EQ(RunCli("").status, 2);
    EXPECT_EQ(RunCli("extract").status, 2);
    EXPECT_EQ(RunCli("extract --frobnicate x").status, 2);
    EXPECT_EQ(RunCli("extract a b").status, 2);
    EXPECT_EQ(RunCli("extract --domain").status, 2);
    EXPECT_EQ(RunCli("extract ''").status, 2);

    r = RunCli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("pixquarry-cli extract [--domain TEXT] [--json] SOURCE"),
              std::string::npos);
}

}  // namespace
