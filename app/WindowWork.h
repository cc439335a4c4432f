#pragma once

// What the window has under way beside its controls: each piece is an object
// with its own state, moved on by the callbacks of its transfers.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/MainF1.h"
#include "download/DownloadLoop.h"
#include "download/LinkCheck.h"
#include "extract/PageHarvest.h"

namespace pixquarry {

// The extraction under way; a newer one replaces it, cancelling what it
// still fetches.
struct MainF1::Extraction {
    std::uint64_t fetch = 0;            // the source named by address
    std::unique_ptr<PageHarvest> page;  // a followed page's stylesheets
    bool pageRunning = false;
};

// One press of 下载: the folder and the count of items are taken once, at the
// start; each item is read only when the run gets there.
struct MainF1::PictureRun {
    std::string target;
    bool inPictures = false;
    int next = 0;   // the list index the run looks at next
    int count = 0;  // the list's length at the start
    int done = 0;
    std::unique_ptr<DownloadLoop> loop;
};

// A link check: from the menu over the whole list, or from the filter over
// the links it needs told. A newer one, or a new list, replaces it.
struct MainF1::Check {
    std::vector<std::string> links;  // what the closing line counts
    std::vector<std::string> queue;  // what is asked about, in list order
    std::size_t next = 0;
    int done = 0;
    bool wholeList = false;
    bool over = false;
    std::unique_ptr<LinkCheck> run;
};

}  // namespace pixquarry
