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
#include <tuple>

#include "platform/posix/DesktopOpener.h"
#include "platform/posix/PosixProcessStarter.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

void WriteScript(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
    fs::permissions(path, fs::perms::owner_all);
}

TEST(NoShell, LinksFoldersAndProgramsArriveAsOneArgumentEach) {
    testing::TempFolder folder;
    const std::string hostile =
        "a'b\"c $(touch pwned1) `touch pwned2`; touch pwned3 | touch pwned4 & \n*";
    const fs::path work = folder.Path() / hostile;
    const fs::path program = work / ("Update " + hostile + ".exe");
    fs::create_directories(work);
    WriteScript(program, "#!/bin/sh\npwd > \"$0.ran\"\n");
    // The desktop's opener, first on PATH, notes its arguments, each ended by a NUL.
    const fs::path opened = folder.Path() / "opened";
    WriteScript(folder.Path() / "xdg-open",
                "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" '" +
                    opened.string() + "'\n");
    const std::string path = ::getenv("PATH");
    ::setenv("PATH", (folder.Path().string() + ":" + path).c_str(), 1);

    DesktopOpener desktop;
    const std::string link = "http://127.0.0.1:1/" + hostile + ".png";
    const std::tuple<const char*, std::function<void()>, fs::path, std::string> cases[] = {
        {"the updater in its folder",
         [&] { EXPECT_EQ(PosixProcessStarter().Start(program.string(), work.string()), ""); },
         program.string() + ".ran", work.string() + "\n"},
        {"a link in the browser", [&] { desktop.Open(link); }, opened, link + '\0'},
        {"a folder in the file manager", [&] { desktop.ShowFolder(work.string()); }, opened,
         work.string() + '\0'},
        {"a folder named like an option", [&] { desktop.ShowFolder("-" + hostile); }, opened,
         "./-" + hostile + '\0'},
        // Nothing at all: what the desktop would run or open locally.
        {"a local file", [&] { desktop.Open("file://" + program.string()); }, opened, ""},
        {"no scheme", [&] { desktop.Open(hostile + ":x"); }, opened, ""},
    };
    for (const auto& [name, start, output, expected] : cases) {
        fs::remove(output);
        start();
        for (int i = 0; i < (expected.empty() ? 20 : 200) && !fs::exists(output); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the write may be under way
        EXPECT_EQ(testing::ReadFile(output), expected) << name;
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
