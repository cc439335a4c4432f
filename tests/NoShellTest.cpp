// Names full of shell syntax reach the programs Pixquarry starts as they
// stand: no shell ever reads them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/posix/PosixProcessStarter.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

namespace pixquarry {
namespace {

namespace fs = std::filesystem;

TEST(NoShell, AProgramAndFolderNamedWithShellSyntaxStartAsNamed) {
    testing::TempFolder folder;
    const std::string hostile =
        "a'b\"c $(touch pwned1) `touch pwned2`; touch pwned3 | touch pwned4 & \n*";
    const fs::path work = folder.Path() / hostile;
    fs::create_directories(work);
    const fs::path program = work / ("Update " + hostile + ".exe");
    std::ofstream(program) << "#!/bin/sh\npwd > \"$0.ran\"\n";
    fs::permissions(program, fs::perms::owner_all);

    EXPECT_EQ(PosixProcessStarter().Start(program.string(), work.string()), "");
    const fs::path ran = program.string() + ".ran";
    for (int i = 0; i < 200 && testing::ReadFile(ran).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(testing::ReadFile(ran), work.string() + "\n");

    for (const auto& entry : fs::recursive_directory_iterator(folder.Path()))
        EXPECT_EQ(entry.path().filename().string().rfind("pwned", 0), std::string::npos)
            << entry.path();
    for (const char* name : {"pwned1", "pwned2", "pwned3", "pwned4"})
        EXPECT_FALSE(fs::exists(name)) << name;
}

}  // namespace
}  // namespace pixquarry
