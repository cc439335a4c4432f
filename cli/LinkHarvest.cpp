#include "cli/LinkHarvest.h"

#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/Messages.h"
#include "extract/Harvest.h"
#include "extract/Reference.h"
#include "extract/RegExpTest.h"
#include "extract/SourceText.h"
#include "platform/curl/CurlEasy.h"
#include "platform/curl/ResolveReference.h"
#include "platform/posix/PosixFileReader.h"
#include "web/WebAddress.h"

namespace pixquarry {

LinkHarvest::LinkHarvest()
    : m_http(UpdateCheckLimits()),
      m_pages(SourceFetchLimits()),
      m_seams(m_downloader, m_http, m_pages),
      m_window(m_seams.Make()) {}

int LinkHarvest::Run(const CliOptions& options) {
    return options.resolve ? RunResolved(options) : RunWindow(options);
}

int LinkHarvest::RunWindow(const CliOptions& options) {
    if (options.domain)
        m_window.WebUrl.SetText(RepairUtf8(*options.domain));
    m_window.OFile1.SetText(options.source);
    m_window.SearchPic_Click();

    switch (m_window.LastRun()) {
        case RunOutcome::NoFileNamed:
            return UsageError("no SOURCE named");
        case RunOutcome::ReadFailed:
            return ReportFailure(m_window.LogShow.Text());
        case RunOutcome::Listed:
            break;
    }
    m_matchMode = m_window.SelectedMatchMode();
    return 0;
}

int LinkHarvest::RunResolved(const CliOptions& options) {
    const std::string& source = options.source;
    std::string bytes;
    std::string base = options.base.value_or("");
    if (IsWebLink(source)) {
        // Fetched as the window fetches a sheet, but here the final address
        // after redirects is wanted too: relative links are relative to it.
        CurlEasy easy(SourceFetchLimits());
        HttpResponse page;
        const CurlOutcome outcome =
            easy.Perform(source, {}, [&](std::string_view chunk, std::string&) {
                page.body.append(chunk);
                return true;
            });
        page.ok = outcome.transferred;
        page.status = outcome.status;
        page.error = outcome.error;
        if (!page.ok || page.status >= 400)
            return ReportFailure(FetchFailureMessage(source, page));
        if (!options.base)
            base = easy.EffectiveUrl();
        bytes = std::move(page.body);
    } else {
        ReadResult read = PosixFileReader().ReadWhole(source);
        if (!read.Ok())
            return ReportFailure(ReadFailureMessage(source, read));
        bytes = std::move(read.bytes);
    }

    std::vector<std::string> links;
    try {
        const std::string text = DecodeSourceText(std::move(bytes));
        m_matchMode = MatchModeOf(text);
        const std::string joined = RegExpTest(kUrlPattern, text);
        for (const std::string_view reference : ReferencesIn(joined)) {
            if (std::optional<std::string> link = ResolveReference(base, reference))
                links.push_back(std::move(*link));
        }
    } catch (const std::bad_alloc&) {
        ReadResult tooLarge;
        tooLarge.problem = ReadResult::Problem::OutOfMemory;
        return ReportFailure(ReadFailureMessage(source, tooLarge));
    }
    CheckListBox& list = m_window.GetPic;
    list.Clear();
    list.AddItems(std::move(links));
    list.RemoveDuplicateTexts();
    return 0;
}

}  // namespace pixquarry
