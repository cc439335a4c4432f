#pragma once

// Plain models of the controls on Pixquarry's window. They hold every value the
// window shows and raise the window's events; a view mirrors them and forwards
// what the user does. Texts are UTF-8.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pixquarry {

// Place and size in twips, relative to the container's top-left corner.
struct Twips {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

struct Colour {
    enum class Kind { Default, Rgb, SystemHighlight };
    Kind kind = Kind::Default;
    std::uint8_t r = 0, g = 0, b = 0;

    static Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return Colour{Kind::Rgb, r, g, b};
    }
    static Colour Highlight() { return Colour{Kind::SystemHighlight}; }
    bool operator==(const Colour&) const = default;
};

struct FontSpec {
    std::string face;  // empty: the window's default font
    double points = 0;
    bool bold = false;
};

class Control {
public:
    using Observer = std::function<void()>;

    Control(std::string name, Twips place, const Control* container)
        : m_name(std::move(name)), m_place(place), m_container(container) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const std::string& Name() const { return m_name; }
    const Twips& Place() const { return m_place; }
    void SetPlace(Twips place) {
        m_place = place;
        Changed();
    }
    const Control* Container() const { return m_container; }

    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { Update(m_visible, visible); }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { Update(m_enabled, enabled); }
    const Colour& ForeColor() const { return m_foreColor; }
    void SetForeColor(Colour colour) { Update(m_foreColor, colour); }
    const FontSpec& Font() const { return m_font; }
    void SetFont(FontSpec font) { m_font = std::move(font); }
    // Asks the view to give the control the keyboard focus.
    void SetFocus() {
        ++m_focusAsked;
        Changed();
    }
    int FocusAsked() const { return m_focusAsked; }

    // One observer, the view: told after any property changed.
    void SetObserver(Observer observer) { m_observer = std::move(observer); }

    // The control's events. The window binds a handler to each slot it uses;
    // the view raises them for what the user does. Buttons for MouseDown are
    // numbered 1 left, 2 right, 4 middle.
    void OnClick(std::function<void()> handler) { m_click = std::move(handler); }
    void OnDblClick(std::function<void()> handler) { m_dblClick = std::move(handler); }
    void OnGotFocus(std::function<void()> handler) { m_gotFocus = std::move(handler); }
    void OnMouseDown(std::function<void(int)> handler) { m_mouseDown = std::move(handler); }
    // A disabled control raises nothing: no click, key, drop or hover.
    void Click() const { Raise(m_click); }
    void DblClick() const { Raise(m_dblClick); }
    void GotFocus() const { Raise(m_gotFocus); }
    void MouseDown(int button) const {
        if (m_mouseDown && m_enabled)
            m_mouseDown(button);
    }
    // Files or addresses dropped on the control, as paths and URLs.
    void OnDrop(std::function<void(const std::vector<std::string>&)> handler) {
        m_drop = std::move(handler);
    }
    void Drop(const std::vector<std::string>& data) const {
        if (m_drop && m_enabled)
            m_drop(data);
    }
    // Enter (13) and Esc (27) on a control that takes them; the view leaves
    // them to the widget otherwise.
    void OnKeyDown(std::function<void(int)> handler) { m_keyDown = std::move(handler); }
    bool TakesKeys() const { return static_cast<bool>(m_keyDown); }
    void KeyDown(int key) const {
        if (m_keyDown && m_enabled)
            m_keyDown(key);
    }

protected:
    template <typename T>
    void Update(T& field, T value) {
        if (field == value)
            return;
        field = std::move(value);
        Changed();
    }
    void Changed() const {
        if (m_observer)
            m_observer();
    }

private:
    void Raise(const std::function<void()>& handler) const {
        if (handler && m_enabled)
            handler();
    }

    std::string m_name;
    Twips m_place;
    const Control* m_container;
    bool m_visible = true;
    bool m_enabled = true;
    Colour m_foreColor;
    FontSpec m_font;
    int m_focusAsked = 0;
    Observer m_observer;
    std::function<void()> m_click, m_dblClick, m_gotFocus;
    std::function<void(int)> m_mouseDown, m_keyDown;
    std::function<void(const std::vector<std::string>&)> m_drop;
};

// Labels, frames, buttons and check boxes: a caption and nothing else of their own.
class CaptionedControl : public Control {
public:
    CaptionedControl(std::string name, Twips place, const Control* container, std::string caption)
        : Control(std::move(name), place, container), m_caption(std::move(caption)) {}

    const std::string& Caption() const { return m_caption; }
    void SetCaption(std::string caption) { Update(m_caption, std::move(caption)); }

private:
    std::string m_caption;
};

using Label = CaptionedControl;
using Frame = CaptionedControl;
using CommandButton = CaptionedControl;
using CheckBox = CaptionedControl;

// A check box whose tick is the model's: 隐藏失败的链接.
class TickBox final : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;

    bool Value() const { return m_value; }
    void SetValue(bool value) { Update(m_value, value); }

private:
    bool m_value = false;
};

// A drop-down list to pick one of its items from.
class ComboBox final : public Control {
public:
    ComboBox(std::string name, Twips place, const Control* container,
             std::vector<std::string> items)
        : Control(std::move(name), place, container), m_items(std::move(items)) {}

    int ListCount() const { return static_cast<int>(m_items.size()); }
    const std::string& List(int index) const { return m_items.at(static_cast<std::size_t>(index)); }
    int ListIndex() const { return m_index; }
    void SetListIndex(int index) { Update(m_index, index); }

private:
    std::vector<std::string> m_items;
    int m_index = 0;
};

class MenuItem;

// A pop-up menu: no place on the window, its items show where the pointer is.
class Menu final : public Control {
public:
    explicit Menu(std::string name) : Control(std::move(name), {}, nullptr) {}
    const std::vector<MenuItem*>& Items() const { return m_items; }

private:
    friend class MenuItem;
    std::vector<MenuItem*> m_items;
};

// One entry of a menu; a shortcut such as "Ctrl+F" works while the window is active.
class MenuItem final : public CaptionedControl {
public:
    MenuItem(std::string name, Menu& menu, std::string caption, std::string shortcut = {})
        : CaptionedControl(std::move(name), {}, &menu, std::move(caption)),
          m_shortcut(std::move(shortcut)) {
        menu.m_items.push_back(this);
    }
    const std::string& Shortcut() const { return m_shortcut; }

private:
    std::string m_shortcut;
};

class TextBox final : public Control {
public:
    TextBox(std::string name, Twips place, const Control* container, std::string text)
        : Control(std::move(name), place, container), m_text(std::move(text)) {}

    const std::string& Text() const { return m_text; }
    void SetText(std::string text) { Update(m_text, std::move(text)); }

private:
    std::string m_text;
};

class OptionGroup;

// Selecting an option, by the user or by the program, deselects the others of
// its group and raises its click event.
class OptionButton final : public CaptionedControl {
public:
    OptionButton(std::string name, Twips place, const Control* container, std::string caption,
                 OptionGroup& group);

    bool Value() const { return m_value; }
    void SetValue(bool value);

private:
    friend class OptionGroup;
    void Deselect() { Update(m_value, false); }

    OptionGroup& m_group;
    bool m_value = false;
};

class OptionGroup final {
public:
    void Add(OptionButton& button) { m_members.push_back(&button); }
    void Selected(const OptionButton& chosen);

private:
    std::vector<OptionButton*> m_members;
};

// Controls that share one name and are told apart by their index.
template <typename T>
class ControlArray final {
public:
    T& operator[](int index) { return *m_members.at(static_cast<std::size_t>(index)); }
    const T& operator[](int index) const { return *m_members.at(static_cast<std::size_t>(index)); }
    int Count() const { return static_cast<int>(m_members.size()); }
    template <typename... Args>
    T& Add(Args&&... args) {
        return *m_members.emplace_back(std::make_unique<T>(std::forward<Args>(args)...));
    }

private:
    std::vector<std::unique_ptr<T>> m_members;
};

// A thin bar that shows how far a long task has come.
class ProgressBar final : public Control {
public:
    using Control::Control;

    int Value() const { return m_value; }
    int Max() const { return m_max; }
    void SetRange(int value, int max) {
        if (value == m_value && max == m_max)
            return;
        m_value = value;
        m_max = max;
        Changed();
    }

private:
    int m_value = 0;
    int m_max = 0;
};

class WebBrowser final : public Control {
public:
    using Control::Control;

    const std::string& LocationURL() const { return m_location; }
    void Navigate(std::string address) {
        m_location = std::move(address);
        Changed();
    }

private:
    std::string m_location;
};

}  // namespace pixquarry
