#pragma once

#include "platform/Clipboard.h"

namespace pixquarry {

// The desktop's clipboard through Qt.
class QtClipboard final : public Clipboard {
public:
    void SetText(const std::string& text) override;
};

}  // namespace pixquarry
