#pragma once

// The window's facilities where there is no window: no dialog can be shown
// (each answers as if cancelled), boxes go to stderr, nothing is opened.

#include <chrono>
#include <cstdio>
#include <string>

#include "app/MainF1.h"
#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/FolderBrowser.h"
#include "platform/MessageBox.h"
#include "platform/OpenFileDialog.h"
#include "platform/PendingEvents.h"
#include "platform/ProcessStarter.h"
#include "platform/posix/PosixFileReader.h"

namespace pixquarry {

class HeadlessSeams final : public OpenFileDialog,
                            public FolderBrowser,
                            public MessageBox,
                            public Browser,
                            public FileManager,
                            public PendingEvents,
                            public ProcessStarter,
                            public Clock {
public:
    HeadlessSeams(Downloader& downloader, HttpClient& http, HttpClient& pages)
        : m_downloader(downloader), m_http(http), m_pages(pages) {}

    Seams Make() {
        return Seams{m_files,      *this,  *this,   *this, *this, *this,        *this,
                     m_downloader, m_http, m_pages, *this, *this, ProgramInfo{}};
    }

    std::string ShowOpen(const std::string&, const std::string&) override { return {}; }
    std::string BrowseDir(const std::string&) override { return {}; }
    void Show(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void Open(const std::string&) override {}
    void ShowFolder(const std::string&) override {}
    void DoEvents() override {}
    std::string Start(const std::string&, const std::string&) override {
        return "no programs are started from the command line";
    }
    double Now() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

private:
    PosixFileReader m_files;
    Downloader& m_downloader;
    HttpClient& m_http;
    HttpClient& m_pages;
};

}  // namespace pixquarry
