#include "app/Controls.h"

namespace pixquarry {

OptionButton::OptionButton(std::string name, Twips place, const Control* container,
                           std::string caption, OptionGroup& group)
    : CaptionedControl(std::move(name), place, container, std::move(caption)), m_group(group) {
    m_group.Add(*this);
}

void OptionButton::SetValue(bool value) {
    if (!value) {
        Deselect();
        return;
    }
    m_group.Selected(*this);
    Update(m_value, true);
    // A selection always reports itself, also when the option was selected already.
    Click();
}

void OptionGroup::Selected(const OptionButton& chosen) {
    for (OptionButton* member : m_members) {
        if (member != &chosen)
            member->Deselect();
    }
}

}  // namespace pixquarry
