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
// List order is CompareListText's. An item's text, the link a download uses,
// never changes; a check's result shows at the row's end, and a filter hides
// items without taking them off the list.
class CheckListBox final : public Control {
public:
    struct Change {
        // Marked: the row's result; Hidden: the row was hidden or shown;
        // Filtered: any number of rows were.
        enum class Kind { Reset, Inserted, Ticked, Current, Marked, Hidden, Filtered };
        Kind kind;
        int index;  // the row concerned; unused for Reset and Filtered
    };
    using ListObserver = std::function<void(const Change&)>;

    using Control::Control;

    int ListCount() const { return static_cast<int>(m_items.size()); }
    const std::string& List(int index) const { return m_items.at(Slot(index)).text; }
    bool Selected(int index) const { return m_items.at(Slot(index)).ticked; }
    void SetSelected(int index, bool ticked);
    // The short result at the row's end ("" for none) and whether it is a failure.
    const std::string& Mark(int index) const { return m_items.at(Slot(index)).mark; }
    bool MarkFailed(int index) const { return m_items.at(Slot(index)).failed; }
    void SetMark(int index, std::string mark, bool failed);
    bool Hidden(int index) const { return m_items.at(Slot(index)).hidden; }
    void SetHidden(int index, bool hidden);
    // Hides each item `hide` is true for and shows the others, in one change.
    void Filter(const std::function<bool(int index)>& hide);
    int ShownCount() const { return m_shown; }
    // The index of the item whose text is `text`, or -1.
    int Find(std::string_view text) const;
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
        bool hidden = false;
        bool failed = false;
        std::string mark = {};
    };
    std::size_t Slot(int index) const;
    void Tell(Change::Kind kind, int index = -1) const;

    std::vector<Item> m_items;
    int m_current = -1;
    int m_shown = 0;
    ListObserver m_listObserver;
    std::function<void(int)> m_rest;
    std::function<void()> m_leave;
};

}  // namespace pixquarry
