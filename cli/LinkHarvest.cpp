#include "cli/LinkHarvest.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

#include "cli/Messages.h"
#include "extract/Reference.h"
#include "extract/SourceText.h"
#include "platform/WebAddress.h"
#include "platform/curl/ResolveReference.h"
#include "web/PublisherSite.h"

namespace pixquarry {

namespace {

TransferLimits WithTimeout(TransferLimits limits, const CliOptions& options) {
    if (options.timeout > 0)
        limits.totalTimeout = std::chrono::seconds(options.timeout);
    return limits;
}

using Done = std::function<void(int status, Harvest harvest)>;

Harvest Failed() {
    return Harvest{};
}

void HarvestPage(const CliOptions& options, CliTransfers& net, SourceBytes read, Done done) {
    net.page = std::make_unique<PageHarvest>(net.pages);
    net.page->Start(options.base.value_or(read.address), std::move(read.bytes), read.contentType,
                    [done = std::move(done)](Harvest harvest) {
                        if (!harvest.ok) {
                            done(ReportFailure(harvest.failure), Failed());
                            return;
                        }
                        for (const SheetFailure& failure : harvest.failures)
                            ReportFailure(SheetFailureMessage(failure));
                        for (const std::string& limit : harvest.limitsReached)
                            ReportFailure(limit);
                        if (harvest.emptyPage)
                            std::fprintf(stderr, "pixquarry-cli: %s\n", kEmptyPage);
                        const bool whole =
                            harvest.failures.empty() && harvest.limitsReached.empty();
                        done(whole ? 0 : 1, std::move(harvest));
                    });
}

void HarvestText(const CliOptions& options, SourceBytes read, const Done& done) {
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
    Harvest harvest = HarvestLinks(options.source, std::move(read.bytes), rule);
    if (!harvest.ok) {
        done(ReportFailure(harvest.failure), Failed());
        return;
    }
    done(0, std::move(harvest));
}

}  // namespace

CliTransfers::CliTransfers(const CliOptions& options)
    : pages(engine, WithTimeout(SourceFetchLimits(), options)),
      downloads(engine, WithTimeout(TransferLimits{}, options)),
      probes(engine, WithTimeout(ProbeLimits(), options)) {}

void HarvestSource(const CliOptions& options, CliTransfers& net, Done done) {
    ReadSource(options.source, net.files, net.pages,
               [&options, &net, done = std::move(done)](SourceBytes read) {
                   if (!read.ok) {
                       done(ReportFailure(read.failure), Failed());
                       return;
                   }
                   if (options.resolve && options.follow && IsWebLink(options.source) &&
                       IsHtmlPage(read.contentType, read.bytes)) {
                       HarvestPage(options, net, std::move(read), done);
                       return;
                   }
                   HarvestText(options, std::move(read), done);
               });
}

}  // namespace pixquarry
