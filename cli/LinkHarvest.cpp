#include "cli/LinkHarvest.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

#include "cli/Messages.h"
#include "extract/PageHarvest.h"
#include "extract/Reference.h"
#include "extract/SourceText.h"
#include "platform/WebAddress.h"
#include "platform/curl/ResolveReference.h"
#include "platform/posix/PosixFileReader.h"
#include "web/PublisherSite.h"

namespace pixquarry {

namespace {

TransferLimits SourceLimits(const CliOptions& options) {
    TransferLimits limits = SourceFetchLimits();
    if (options.timeout > 0)
        limits.totalTimeout = std::chrono::seconds(options.timeout);
    return limits;
}

}  // namespace

CliTransfers::CliTransfers(const CliOptions& options) : pages(engine, SourceLimits(options)) {}

int HarvestSource(const CliOptions& options, HttpClient& pages, Harvest& harvest) {
    if (options.source.empty())
        return UsageError("no SOURCE named");
    PosixFileReader files;
    SourceBytes read = ReadSource(options.source, files, pages);
    if (!read.ok)
        return ReportFailure(read.failure);

    if (options.resolve && options.follow && IsWebLink(options.source) &&
        IsHtmlPage(read.contentType, read.bytes)) {
        harvest = HarvestPage(options.base.value_or(read.address), std::move(read.bytes),
                              read.contentType, pages);
        if (!harvest.ok)
            return ReportFailure(harvest.failure);
        for (const SheetFailure& failure : harvest.failures)
            ReportFailure("无法读取样式表“" + failure.address + "”：" + failure.reason);
        for (const std::string& limit : harvest.limitsReached)
            ReportFailure(limit);
        if (harvest.emptyPage)
            std::fprintf(stderr, "pixquarry-cli: %s\n", kEmptyPage);
        return harvest.failures.empty() && harvest.limitsReached.empty() ? 0 : 1;
    }

    LinkRule rule;
    if (options.resolve) {
        // Relative links are relative to where the page ended up.
        std::string base = options.base.value_or(read.address);
        rule = [base = std::move(base)](std::string_view match) {
            return ResolveReference(base, ReferenceOf(match));
        };
    } else {
        rule = DomainRule(options.domain ? RepairUtf8(*options.domain) : InitialDomain());
    }
    harvest = HarvestLinks(options.source, std::move(read.bytes), rule);
    if (!harvest.ok)
        return ReportFailure(harvest.failure);
    return 0;
}

}  // namespace pixquarry
