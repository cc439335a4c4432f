// The hand-off to the updater: Update.ini beside the program, the updater's
// work folder, the box, and the updater started.

#include <filesystem>
#include <string>
#include <utility>

#include "app/MainF1.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"
#include "platform/common/SystemReason.h"
#include "update/ProfileFile.h"
#include "update/UpdateDecision.h"
#include "update/UpdateReply.h"

namespace pixquarry {

void MainF1::HandOff(const UpdateDecision& decision) {
    const std::string updater = GetAppPath + "Update.exe";
    FileSystem& files = m_seams.fileSystem;
    // A site that did not answer is passed over in silence, a folder the
    // updater cannot go into is not.
    if (files.KindOf(updater) != FileSystem::Kind::File) {
        if (const int error = files.CheckWritable(GetAppPath); error != 0) {
            m_seams.box.Show("无法保存升级程序“" + updater + "”：" + SystemReason(error),
                             [this] { CheckOver(); });
            return;
        }
        CheckOver();
        return;
    }
    if (const std::string problem = WriteHandOffFile(decision); !problem.empty()) {
        m_seams.box.Show(problem, [this] { CheckOver(); });
        return;
    }
    const std::string work = GetAppPath + TempPath;
    if (files.KindOf(work, false) == FileSystem::Kind::Missing) {
        if (const int error = files.MakeFolder(work); error != 0) {
            m_seams.box.Show("无法创建文件夹“" + work + "”：" + SystemReason(error),
                             [this] { CheckOver(); });
            return;
        }
    }
    m_seams.box.Show("软件有更新，需要立即升级！", [this] { StartUpdater(); });
}

// Update.ini made anew, key by key; "" when it is whole, otherwise the box's text.
std::string MainF1::WriteHandOffFile(const UpdateDecision& decision) {
    const std::string ini = GetAppPath + "Update.ini";
    FileSystem& files = m_seams.fileSystem;
    // A hand-off file the user made read-only is theirs, not ours to replace.
    int error = files.KindOf(ini, false) == FileSystem::Kind::Missing ? 0 : files.RemoveFile(ini);
    if (error == 0)
        error = files.CreateEmptyFile(ini);
    if (error != 0)
        return "无法创建文件“" + ini + "”：" + SystemReason(error);
    const std::string appName = std::filesystem::path(m_seams.program.exeName).stem().string();
    const std::pair<const char*, std::string> keys[] = {{"Ver", GeneralNumber(decision.version)},
                                                        {"AppPath", GetAppPath},
                                                        {"AppName", appName},
                                                        {"TempPath", TempPath},
                                                        {"NewSoftPath", decision.newSoftPath}};
    // The updater cannot work from half a hand-off file.
    for (const auto& [key, value] : keys) {
        if (const std::string problem = WriteGoIni(ini, "UpdateSet", key, value); !problem.empty())
            return "无法写入文件“" + ini + "”：" + problem;
    }
    return {};
}

void MainF1::StartUpdater() {
    // The window closed while the box was up: nothing is started.
    if (m_unloading)
        return;
    const std::string updater = GetAppPath + "Update.exe";
    m_seams.fileSystem.MakeRunnable(updater);
    if (const std::string problem = m_seams.processes.Start(updater, GetAppPath);
        !problem.empty()) {
        m_seams.box.Show("无法启动“" + updater + "”：" + problem, [this] { CheckOver(); });
        return;
    }
    m_handedOff = true;
    if (m_handedOffTo)
        m_handedOffTo();
}

}  // namespace pixquarry
