#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "download/LinkCheck.h"

namespace pixquarry {

// The links of a harvest checked at most `atOnce` at a time, each verdict
// told in list order as soon as those before it are in.
class ListCheck final {
public:
    using Told = std::function<void(std::size_t index, const LinkVerdict& verdict)>;
    using Over = std::function<void()>;

    ListCheck(LinkProber& prober, int atOnce, const std::vector<std::string>& links, Told told,
              Over over);
    void Start() { m_check.Start(); }
    void Cancel() { m_check.Cancel(); }
    std::size_t Done() const { return static_cast<std::size_t>(m_check.Done()); }

private:
    void Checked(int index, const LinkVerdict& verdict);

    const std::vector<std::string>& m_links;
    std::vector<std::optional<LinkVerdict>> m_verdicts;
    std::size_t m_next = 0;
    std::size_t m_told = 0;
    Told m_tell;
    LinkCheck m_check;
};

// Whether a checked picture is kept by --type and --min-size: a usable link
// of a listed type, at least that wide and high. Without either, every
// usable link is kept.
bool Wanted(const CliOptions& options, const LinkVerdict& verdict);

// What a picture that is not wanted is, in a skipped line's brackets: its
// type when the type is not wanted, its size when that is too small or not
// known.
std::string WhyNotWanted(const CliOptions& options, const LinkVerdict& verdict);

}  // namespace pixquarry
