#pragma once

// Scripted stand-ins for the window's dialogs and boxes, shared by every
// suite. Downloads and HTTP are real in the tests that need them; elsewhere
// they answer as if there were no network.

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/MainF1.h"
#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/FileManager.h"
#include "platform/FolderBrowser.h"
#include "platform/HttpClient.h"
#include "platform/MessageBox.h"
#include "platform/OpenFileDialog.h"
#include "platform/PendingEvents.h"
#include "platform/ProcessStarter.h"
#include "platform/posix/PosixFileReader.h"

namespace pixquarry::testing {

// The list's item texts in list order.
inline std::vector<std::string> ListItems(const CheckListBox& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.ListCount(); ++i)
        items.push_back(list.List(i));
    return items;
}

// The answers a dialog gives, "" (a cancel) once they run out, and the titles
// it was opened with.
struct Script {
    std::string Next(const std::string& title) {
        titles.push_back(title);
        if (answers.empty())
            return {};
        std::string answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
    std::deque<std::string> answers;
    std::vector<std::string> titles;
};

class ScriptedOpenFileDialog final : public OpenFileDialog, public Script {
public:
    std::string ShowOpen(const std::string& title, const std::string&) override {
        return Next(title);
    }
};

class ScriptedFolderBrowser final : public FolderBrowser, public Script {
public:
    std::string BrowseDir(const std::string& title) override { return Next(title); }
};

class RecordingMessageBox final : public MessageBox {
public:
    void Show(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class RecordingBrowser final : public Browser {
public:
    void Open(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

class RecordingFileManager final : public FileManager {
public:
    void ShowFolder(const std::string& path) override { shown.push_back(path); }
    std::vector<std::string> shown;
};

// Runs what the test put in `gap` each time the window lets events through.
class ScriptedPendingEvents final : public PendingEvents {
public:
    void DoEvents() override {
        ++calls;
        if (gap)
            gap(calls);
    }
    std::function<void(int call)> gap;
    int calls = 0;
};

class OfflineDownloader final : public Downloader {
public:
    DownloadResult Download(const DownloadRequest&) override { return {false, 0, "没有网络", {}}; }
};

class OfflineHttpClient final : public HttpClient {
public:
    HttpResponse Get(const std::string&) override {
        HttpResponse offline;
        offline.error = "无法解析主机名";
        return offline;
    }
};

// Notes each program it is asked to start and answers `reason` ("" when the
// start should look successful).
class RecordingProcessStarter final : public ProcessStarter {
public:
    std::string Start(const std::string& program, const std::string&) override {
        asked.push_back(program);
        return reason;
    }
    std::vector<std::string> asked;
    std::string reason = "no programs are started in this test";
};

// Moves on by `step` seconds each time it is read.
class SteppingClock final : public Clock {
public:
    double Now() override {
        const double now = time;
        time += step;
        return now;
    }
    double time = 1000.0;
    double step = 0.0;
};

// Everything a MainF1 needs; the downloader and HTTP client can be swapped
// for real ones.
class FakeSeams {
public:
    Seams Make() {
        return Seams{files,     openFile, folders, box,      browser, fileManager, *pending,
                     *download, *http,    *pages,  *starter, clock,   program};
    }

    PosixFileReader files;
    ScriptedOpenFileDialog openFile;
    ScriptedFolderBrowser folders;
    RecordingMessageBox box;
    RecordingBrowser browser;
    RecordingFileManager fileManager;
    ScriptedPendingEvents events;
    OfflineDownloader offlineDownloader;
    OfflineHttpClient offlineHttp;
    RecordingProcessStarter processes;
    SteppingClock clock;
    ProgramInfo program{"/nonexistent/pixquarry", "pixquarry"};
    PendingEvents* pending = &events;
    Downloader* download = &offlineDownloader;
    HttpClient* http = &offlineHttp;
    HttpClient* pages = &offlineHttp;
    ProcessStarter* starter = &processes;
};

}  // namespace pixquarry::testing
