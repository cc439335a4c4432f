// Links, folder names and program names full of shell syntax reach the
// programs Pixquarry starts as they stand: no shell ever reads them.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/posix/DesktopOpener.h"
#include "platform/posix/PosixProcessStarter.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

void WriteScript(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
    fs::permissions(path, fs::perms::owner_all);
}

std::string WaitForFile(const fs::path& path, int ms) {
    for (int i = 0; i < ms / 10 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the write may be under way
    return ReadFile(path);
}

TEST(NoShell, LinksFoldersAndProgramsArriveAsOneArgumentEach) {
    testing::TempFolder folder;
    const std::string hostile =
        "a'b\"c $(touch pwned1) `touch pwned2`; touch pwned3 | touch pwned4 & \n*";
    const fs::path work = folder.Path() / hostile;
    fs::create_directories(work);
    const fs::path program = work / ("Update " + hostile + ".exe");
    WriteScript(program, "#!/bin/sh\npwd > \"$0.ran\"\n");
    // The desktop's opener, as found on PATH: it notes its arguments, each
    // ended by a NUL.
    const fs::path bin = folder.Path() / "bin";
    fs::create_directories(bin);
    const fs::path opened = folder.Path() / "opened";
    WriteScript(bin / "xdg-open", "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + opened.string() +
                                      ".tmp' && mv '" + opened.string() + ".tmp' '" +
                                      opened.string() + "'\n");
    const std::string path = ::getenv("PATH");
    ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);

    DesktopOpener desktop;
    const std::string link = "http://127.0.0.1:1/" + hostile + ".png";
    struct Case {
        const char* name;
        std::function<void()> start;
        fs::path output;
        std::string expected;  // "" when nothing may start
    };
    const Case cases[] = {
        {"the updater in its folder",
         [&] { EXPECT_EQ(PosixProcessStarter().Start(program.string(), work.string()), ""); },
         program.string() + ".ran", work.string() + "\n"},
        {"a link in the browser", [&] { desktop.Open(link); }, opened, link + '\0'},
        {"a link in capitals", [&] { desktop.Open("HTTPS://x/" + hostile); }, opened,
         "HTTPS://x/" + hostile + '\0'},
        {"a folder in the file manager", [&] { desktop.ShowFolder(work.string()); }, opened,
         work.string() + '\0'},
        {"a folder named like an option", [&] { desktop.ShowFolder("-" + hostile); }, opened,
         "./-" + hostile + '\0'},
        {"a local file as a link", [&] { desktop.Open("file://" + program.string()); }, opened, ""},
        {"a link without a scheme", [&] { desktop.Open(hostile + ":x"); }, opened, ""},
    };
    for (const Case& c : cases) {
        fs::remove(c.output);
        c.start();
        EXPECT_EQ(WaitForFile(c.output, c.expected.empty() ? 200 : 2000), c.expected) << c.name;
    }
    ::setenv("PATH", path.c_str(), 1);

    for (const auto& entry : fs::recursive_directory_iterator(folder.Path()))
        EXPECT_EQ(entry.path().filename().string().rfind("pwned", 0), std::string::npos)
            << entry.path();
    for (const char* name : {"pwned1", "pwned2", "pwned3", "pwned4"})
        EXPECT_FALSE(fs::exists(name)) << name;
}

}  // namespace
}  // namespace pixquarry
