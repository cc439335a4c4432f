#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Controls.h"

namespace pixquarry {

// The sorted check-box list. Items stay in list order at all times: an added
// item goes to its sorted place, after the items that compare equal to it.
// List order is CompareListText's.
class CheckListBox final : public Control {
public:
    struct Change {
        enum class Kind { Reset, Inserted, Ticked, Current };
        Kind kind;
        int index;  // the row concerned; unused for Reset
    };
    using ListObserver = std::function<void(const Change&)>;

    using Control::Control;

    int ListCount() const { return static_cast<int>(m_items.size()); }
    const std::string& List(int index) const { return m_items.at(Slot(index)).text; }
    bool Selected(int index) const { return m_items.at(Slot(index)).ticked; }
    void SetSelected(int index, bool ticked);
    // The current item, or -1 when there is none.
    int ListIndex() const { return m_current; }
    void SetListIndex(int index);

    void Clear();
    void AddItem(std::string text);
    // Adds many items at once, each to the place AddItem would give it.
    void AddItems(std::vector<std::string> texts);

    void SetListObserver(ListObserver observer) { m_listObserver = std::move(observer); }

    // The pointer rests on a row, or leaves the list; a disabled list takes
    // no hover.
    void OnRest(std::function<void(int index)> handler) { m_rest = std::move(handler); }
    void OnLeave(std::function<void()> handler) { m_leave = std::move(handler); }
    void Rest(int index) const {
        if (m_rest && Enabled())
            m_rest(index);
    }
    void Leave() const {
        if (m_leave)
            m_leave();
    }

private:
    struct Item {
        std::string text;
        bool ticked = false;
    };
    std::size_t Slot(int index) const;
    void Tell(Change::Kind kind, int index = -1) const;

    std::vector<Item> m_items;
    int m_current = -1;
    ListObserver m_listObserver;
    std::function<void(int)> m_rest;
    std::function<void()> m_leave;
};

}  // namespace pixquarry
