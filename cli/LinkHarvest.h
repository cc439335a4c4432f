#pragma once

#include "app/MainF1.h"
#include "cli/CliOptions.h"
#include "cli/HeadlessSeams.h"
#include "platform/curl/CurlDownloader.h"
#include "platform/curl/CurlHttpClient.h"

namespace pixquarry {

// SOURCE's picture links in the window's list: found by the window's own
// extraction run, or with --resolve resolved against the page's address.
class LinkHarvest final {
public:
    LinkHarvest();
    LinkHarvest(const LinkHarvest&) = delete;
    LinkHarvest& operator=(const LinkHarvest&) = delete;

    // 0 when the list is filled; otherwise the exit status, the reason
    // already written to stderr.
    int Run(const CliOptions& options);

    const CheckListBox& List() const { return m_window.GetPic; }
    int MatchMode() const { return m_matchMode; }

private:
    int RunWindow(const CliOptions& options);
    int RunResolved(const CliOptions& options);

    CurlDownloader m_downloader;
    CurlHttpClient m_http;
    CurlHttpClient m_pages;
    HeadlessSeams m_seams;
    MainF1 m_window;
    int m_matchMode = -1;
};

}  // namespace pixquarry
