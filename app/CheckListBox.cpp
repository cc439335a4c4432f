#include "app/CheckListBox.h"

#include <algorithm>
#include <stdexcept>

#include "extract/ListOrder.h"

namespace pixquarry {

std::size_t CheckListBox::Slot(int index) const {
    if (index < 0 || index >= ListCount())
        throw std::out_of_range("list index out of range");
    return static_cast<std::size_t>(index);
}

void CheckListBox::Tell(Change::Kind kind, int index) const {
    if (m_listObserver)
        m_listObserver(Change{kind, index});
}

void CheckListBox::SetSelected(int index, bool ticked) {
    Item& item = m_items.at(Slot(index));
    if (item.ticked == ticked)
        return;
    item.ticked = ticked;
    Tell(Change::Kind::Ticked, index);
}

void CheckListBox::SetMark(int index, std::string mark, bool failed) {
    Item& item = m_items.at(Slot(index));
    if (item.mark == mark && item.failed == failed)
        return;
    item.mark = std::move(mark);
    item.failed = failed;
    Tell(Change::Kind::Marked, index);
}

void CheckListBox::SetHidden(int index, bool hidden) {
    Item& item = m_items.at(Slot(index));
    if (item.hidden == hidden)
        return;
    item.hidden = hidden;
    m_shown += hidden ? -1 : 1;
    Tell(Change::Kind::Hidden, index);
}

void CheckListBox::Filter(const std::function<bool(int index)>& hide) {
    m_shown = 0;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        m_items[i].hidden = hide(static_cast<int>(i));
        m_shown += m_items[i].hidden ? 0 : 1;
    }
    Tell(Change::Kind::Filtered);
}

int CheckListBox::Find(std::string_view text) const {
    auto at = std::lower_bound(
        m_items.begin(), m_items.end(), text,
        [](const Item& item, std::string_view t) { return CompareListText(item.text, t) < 0; });
    for (; at != m_items.end() && CompareListText(at->text, text) == 0; ++at) {
        if (at->text == text)
            return static_cast<int>(at - m_items.begin());
    }
    return -1;
}

void CheckListBox::SetListIndex(int index) {
    if (index != -1)
        Slot(index);
    if (m_current == index)
        return;
    m_current = index;
    Tell(Change::Kind::Current, index);
}

void CheckListBox::Clear() {
    m_items.clear();
    m_current = -1;
    m_shown = 0;
    Tell(Change::Kind::Reset);
}

void CheckListBox::AddItem(std::string text) {
    const auto at = std::upper_bound(
        m_items.begin(), m_items.end(), text,
        [](const std::string& t, const Item& item) { return CompareListText(t, item.text) < 0; });
    const int index = static_cast<int>(at - m_items.begin());
    m_items.insert(at, Item{std::move(text)});
    ++m_shown;
    if (m_current >= index)
        ++m_current;
    Tell(Change::Kind::Inserted, index);
}

void CheckListBox::AddItems(std::vector<std::string> texts) {
    if (texts.empty())
        return;
    SortInListOrder(texts);
    const std::string currentText = m_current >= 0 ? m_items[m_current].text : std::string();
    const int currentOld = m_current;

    std::vector<Item> merged;
    merged.reserve(m_items.size() + texts.size());
    auto old = m_items.begin();
    int newCurrent = -1;
    for (std::string& t : texts) {
        // Existing items that compare equal stay in front of the new one.
        while (old != m_items.end() && CompareListText(old->text, t) <= 0) {
            if (old - m_items.begin() == currentOld)
                newCurrent = static_cast<int>(merged.size());
            merged.push_back(std::move(*old++));
        }
        merged.push_back(Item{std::move(t)});
    }
    for (; old != m_items.end(); ++old) {
        if (old - m_items.begin() == currentOld)
            newCurrent = static_cast<int>(merged.size());
        merged.push_back(std::move(*old));
    }
    m_shown += static_cast<int>(merged.size() - m_items.size());
    m_items = std::move(merged);
    m_current = newCurrent;
    Tell(Change::Kind::Reset);
}

}  // namespace pixquarry
