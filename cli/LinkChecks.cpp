#include "cli/LinkChecks.h"

#include <algorithm>
#include <utility>

namespace pixquarry {

ListCheck::ListCheck(LinkProber& prober, int atOnce, const std::vector<std::string>& links,
                     Told told, Over over)
    : m_links(links),
      m_verdicts(links.size()),
      m_tell(std::move(told)),
      m_check(
          prober, atOnce,
          [this]() -> std::optional<LinkCheck::Link> {
              if (m_next >= m_links.size())
                  return std::nullopt;
              const std::size_t index = m_next++;
              return LinkCheck::Link{static_cast<int>(index), m_links[index]};
          },
          [this](int index, const LinkVerdict& verdict) { Checked(index, verdict); },
          std::move(over)) {}

void ListCheck::Checked(int index, const LinkVerdict& verdict) {
    m_verdicts[static_cast<std::size_t>(index)] = verdict;
    for (; m_told < m_verdicts.size() && m_verdicts[m_told]; ++m_told) {
        m_tell(m_told, *m_verdicts[m_told]);
        m_verdicts[m_told].reset();  // told: nothing more to keep
    }
}

namespace {

bool TypeWanted(const CliOptions& options, const LinkVerdict& verdict) {
    return options.types.empty() || std::find(options.types.begin(), options.types.end(),
                                              verdict.type) != options.types.end();
}

bool SizeWanted(const CliOptions& options, const LinkVerdict& verdict) {
    if (options.minWidth == 0 && options.minHeight == 0)
        return true;
    return verdict.width > 0 && verdict.height > 0 && verdict.width >= options.minWidth &&
           verdict.height >= options.minHeight;
}

}  // namespace

bool Wanted(const CliOptions& options, const LinkVerdict& verdict) {
    return verdict.ok && TypeWanted(options, verdict) && SizeWanted(options, verdict);
}

std::string WhyNotWanted(const CliOptions& options, const LinkVerdict& verdict) {
    std::string why;
    if (!TypeWanted(options, verdict))
        why = TypeLabel(verdict.type);
    if (!SizeWanted(options, verdict)) {
        if (!why.empty())
            why += " ";
        why += verdict.width > 0 && verdict.height > 0
                   ? std::to_string(verdict.width) + "×" + std::to_string(verdict.height)
                   : "尺寸未知";
    }
    return why;
}

}  // namespace pixquarry
