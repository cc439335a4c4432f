#pragma once

// Small pieces of the Qt window: widgets that turn a raw event into a signal,
// and how a control's look becomes a widget's.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QLabel>
#include <QRadioButton>

#include "app/Controls.h"

class QGroupBox;
class QMimeData;

namespace pixquarry {

// An option of a group. The arrow keys step through the group, as on any
// desktop; which option is on is the model's business, not Qt's.
class OptionRadio final : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionRadio(QWidget* parent);

signals:
    void Step(int step);  // +1 for down or right, -1 for up or left

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A label that clicks once for each left press and release on it; the
// second press of a double-click is no click. A press on it is its own, not
// the frame's beneath it.
class ClickLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

// The window's option groups, one per frame: each is one Tab stop, the
// selected option or, when none is, the one first in focus order.
class OptionGroups final {
public:
    void Add(OptionButton& option) { m_options.push_back(&option); }
    // Sorts the options by the window's focus order.
    void Order(const std::vector<const Control*>& focusOrder);
    // Tab reaches the stops only; a click still gives any option the focus.
    void SetTabStops(const std::function<QWidget*(const Control&)>& widgetFor) const;
    // The option `step` places away in its group, left to right, wrapping.
    OptionButton& Neighbour(const OptionButton& from, int step) const;

private:
    std::vector<OptionButton*> m_options;
};

QString FromUtf8(std::string_view text);
// What was dropped: local files as paths, anything else as its address or text.
std::vector<std::string> DroppedItems(const QMimeData& data);
// The families to try for a face of the window's layout.
QStringList FamiliesFor(const std::string& face);
// 1 left, 2 right, 4 middle, 0 any other.
int ButtonNumber(Qt::MouseButton button);
void ApplyColour(QWidget& widget, const Colour& colour);
// The font for a control's font, or `base` when it names no face.
QFont FontFor(const FontSpec& wanted, const QFont& base);
// A frame's caption in its top line, as on a classic frame, so that the
// controls placed below it keep the room they were laid out with.
void StyleFrame(QGroupBox& frame);
// Makes the label's font smaller, down to 8 pixels, until its caption fits
// its box; what still does not fit can be read in the tooltip.
void FitCaption(QLabel& label, const QFont& font);

}  // namespace pixquarry
