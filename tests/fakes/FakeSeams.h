#pragma once

// Scripted stand-ins for the window's dialogs and boxes, shared by every
// suite. Downloads and HTTP are real in the tests that need them; elsewhere
// they answer as if there were no network, from the loop as real ones do.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/MainF1.h"
#include "platform/Browser.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/FileManager.h"
#include "platform/FolderBrowser.h"
#include "platform/HttpClient.h"
#include "platform/LinkProber.h"
#include "platform/MessageBox.h"
#include "platform/OpenFileDialog.h"
#include "platform/ProcessStarter.h"
#include "platform/ThumbnailMaker.h"
#include "platform/posix/PollEventLoop.h"
#include "platform/posix/PosixFileReader.h"
#include "platform/posix/PosixFileSystem.h"

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

// The dialogs and the box close at once, as if the user answered at once.
class ScriptedOpenFileDialog final : public OpenFileDialog, public Script {
public:
    void ShowOpen(const std::string& title, const std::string&, Chosen chosen) override {
        chosen(Next(title));
    }
};

class ScriptedFolderBrowser final : public FolderBrowser, public Script {
public:
    void BrowseDir(const std::string& title, Chosen chosen) override { chosen(Next(title)); }
};

class RecordingMessageBox final : public MessageBox {
public:
    void Show(const std::string& text, Closed closed) override {
        shown.push_back(text);
        if (closed)
            closed();
    }
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

// Every request fails as without a network, told from the loop.
class OfflineDownloader final : public Downloader {
public:
    explicit OfflineDownloader(EventLoop& loop) : m_loop(loop) {}
    std::uint64_t Download(const DownloadRequest&, Saved saved) override {
        return static_cast<std::uint64_t>(m_loop.StartTimer(std::chrono::milliseconds(0), [saved] {
            saved({false, 0, "没有网络", {}});
        }));
    }
    void Cancel(std::uint64_t id) override { m_loop.StopTimer(static_cast<int>(id)); }

private:
    EventLoop& m_loop;
};

class OfflineHttpClient final : public HttpClient {
public:
    explicit OfflineHttpClient(EventLoop& loop) : m_loop(loop) {}
    std::uint64_t Get(const std::string&, Answer answer, std::int64_t) override {
        return static_cast<std::uint64_t>(m_loop.StartTimer(std::chrono::milliseconds(0), [answer] {
            HttpResponse offline;
            offline.error = "无法解析主机名";
            answer(offline);
        }));
    }
    void Cancel(std::uint64_t id) override { m_loop.StopTimer(static_cast<int>(id)); }

private:
    EventLoop& m_loop;
};

class OfflineProber final : public LinkProber {
public:
    explicit OfflineProber(EventLoop& loop) : m_loop(loop) {}
    std::uint64_t Probe(ProbeRequest, Answer answer) override {
        return static_cast<std::uint64_t>(m_loop.StartTimer(std::chrono::milliseconds(0), [answer] {
            ProbeAnswer offline;
            offline.error = "无法解析主机名";
            answer(offline);
        }));
    }
    void Cancel(std::uint64_t id) override { m_loop.StopTimer(static_cast<int>(id)); }

private:
    EventLoop& m_loop;
};

class RecordingClipboard final : public Clipboard {
public:
    void SetText(const std::string& text) override { this->text = text; }
    std::string text;
};

// A thumbnail that only says how many bytes it was made from, told from
// the loop; the real ones are Qt's.
class CountingThumbnailMaker final : public ThumbnailMaker {
public:
    explicit CountingThumbnailMaker(EventLoop& loop) : m_loop(loop) {}
    std::uint64_t Make(std::string bytes, int, bool urgent, Made made) override {
        (urgent ? urgentCount : otherCount)++;
        return static_cast<std::uint64_t>(
            m_loop.StartTimer(std::chrono::milliseconds(0), [made, n = bytes.size()] {
                Thumbnail counted;
                counted.facts = std::to_string(n) + " 字节";
                made(counted);
            }));
    }
    void Cancel(std::uint64_t id) override { m_loop.StopTimer(static_cast<int>(id)); }
    int urgentCount = 0;
    int otherCount = 0;

private:
    EventLoop& m_loop;
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

// Everything a MainF1 needs; the downloader and HTTP clients can be swapped
// for real ones, on their own loop.
class FakeSeams {
public:
    Seams Make() {
        return Seams{files,       fileSystem, openFile, folders, box,       browser,
                     fileManager, *download,  *http,    *pages,  *pictures, *thumbnails,
                     *probes,     *clipboard, *starter, clock,   program};
    }

    PollEventLoop loop;
    PosixFileReader files;
    PosixFileSystem fileSystem;
    ScriptedOpenFileDialog openFile;
    ScriptedFolderBrowser folders;
    RecordingMessageBox box;
    RecordingBrowser browser;
    RecordingFileManager fileManager;
    OfflineDownloader offlineDownloader{loop};
    OfflineHttpClient offlineHttp{loop};
    CountingThumbnailMaker countingMaker{loop};
    OfflineProber offlineProber{loop};
    RecordingClipboard recordingClipboard;
    RecordingProcessStarter processes;
    SteppingClock clock;
    ProgramInfo program{"/nonexistent/pixquarry", "pixquarry"};
    Downloader* download = &offlineDownloader;
    HttpClient* http = &offlineHttp;
    HttpClient* pages = &offlineHttp;
    HttpClient* pictures = &offlineHttp;
    ThumbnailMaker* thumbnails = &countingMaker;
    LinkProber* probes = &offlineProber;
    Clipboard* clipboard = &recordingClipboard;
    ProcessStarter* starter = &processes;
};

// Runs `loop` until the window has nothing under way. False when it never
// gets there: nothing was left that could end it.
inline bool Settle(PollEventLoop& loop, const MainF1& window) {
    return loop.RunUntil([&window] { return !window.Busy(); }) || !window.Busy();
}

}  // namespace pixquarry::testing
