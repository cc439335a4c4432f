#include "gui/ControlWidgets.h"

#include <algorithm>

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace pixquarry {

OptionRadio::OptionRadio(QWidget* parent) : QRadioButton(parent) {
    setAutoExclusive(false);
}

void OptionRadio::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Down:
        case Qt::Key_Right:
            emit Step(1);
            break;
        case Qt::Key_Up:
        case Qt::Key_Left:
            emit Step(-1);
            break;
        default:
            QRadioButton::keyPressEvent(event);
    }
}

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    m_pressed = false;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit Clicked();
}

void OptionGroups::Order(const std::vector<const Control*>& focusOrder) {
    const auto rank = [&focusOrder](const OptionButton* option) {
        return std::find(focusOrder.begin(), focusOrder.end(), option) - focusOrder.begin();
    };
    std::stable_sort(m_options.begin(), m_options.end(),
                     [&rank](auto* a, auto* b) { return rank(a) < rank(b); });
}

void OptionGroups::SetTabStops(const std::function<QWidget*(const Control&)>& widgetFor) const {
    std::vector<const OptionButton*> stops;
    for (const OptionButton* option : m_options) {
        const auto same = std::find_if(stops.begin(), stops.end(), [option](auto* stop) {
            return stop->Container() == option->Container();
        });
        if (same == stops.end())
            stops.push_back(option);
        else if (option->Value())
            *same = option;
    }
    for (const OptionButton* option : m_options) {
        const bool stop = std::find(stops.begin(), stops.end(), option) != stops.end();
        widgetFor(*option)->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

OptionButton& OptionGroups::Neighbour(const OptionButton& from, int step) const {
    std::vector<OptionButton*> group;
    for (OptionButton* option : m_options) {
        if (option->Container() == from.Container())
            group.push_back(option);
    }
    std::sort(group.begin(), group.end(),
              [](auto* a, auto* b) { return a->Place().Left < b->Place().Left; });
    const auto size = static_cast<std::ptrdiff_t>(group.size());
    const std::ptrdiff_t at = std::find(group.begin(), group.end(), &from) - group.begin();
    return *group[static_cast<std::size_t>((at + step % size + size) % size)];
}

std::vector<std::string> DroppedItems(const QMimeData& data) {
    std::vector<std::string> items;
    for (const QUrl& url : data.urls())
        items.push_back((url.isLocalFile() ? url.toLocalFile() : url.toString()).toStdString());
    if (items.empty() && data.hasText()) {
        const QString text = data.text().trimmed();
        items.push_back(text.section(QLatin1Char('\n'), 0, 0).trimmed().toStdString());
    }
    return items;
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The faces the layout names are not on a Linux desktop; each gets the
// closest we can expect and a Chinese face last so no caption turns to boxes.
QStringList FamiliesFor(const std::string& face) {
    const QString zenHei = QStringLiteral("WenQuanYi Zen Hei");
    if (face == "宋体")
        return {QStringLiteral("SimSun"), zenHei, QStringLiteral("Noto Sans CJK SC")};
    if (face == "楷体_GB2312")
        return {QStringLiteral("KaiTi"), QStringLiteral("AR PL UKai CN"), zenHei};
    return {FromUtf8(face), QStringLiteral("DejaVu Sans"), zenHei};
}

int ButtonNumber(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

void ApplyColour(QWidget& widget, const Colour& colour) {
    if (colour.kind == Colour::Kind::Default) {
        widget.setPalette(QPalette());  // nothing resolved: inherit again
        return;
    }
    const QColor text = colour.kind == Colour::Kind::Rgb
                            ? QColor(colour.r, colour.g, colour.b)
                            : QGuiApplication::palette().color(QPalette::Highlight);
    QPalette palette;
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    widget.setPalette(palette);
}

QFont FontFor(const FontSpec& wanted, const QFont& base) {
    QFont font = base;
    if (wanted.face.empty())
        return font;
    font.setFamilies(FamiliesFor(wanted.face));
    if (wanted.points > 0)
        font.setPointSizeF(wanted.points);
    font.setBold(wanted.bold);
    return font;
}

void StyleFrame(QGroupBox& frame) {
    frame.setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
}

void FitCaption(QLabel& label, const QFont& font) {
    const auto fits = [&label](const QFont& tried) {
        const QRect box(0, 0, label.width(), label.height());
        const QRect needed = QFontMetrics(tried).boundingRect(
            box, static_cast<int>(label.alignment()) | Qt::TextWordWrap, label.text());
        return needed.width() <= box.width() && needed.height() <= box.height();
    };
    QFont tried = font;
    const int start = QFontInfo(font).pixelSize();
    for (int pixels = start; !fits(tried) && pixels > 8;) {
        tried.setPixelSize(--pixels);
    }
    label.setFont(tried);
    label.setToolTip(fits(tried) ? QString() : label.text());
}

}  // namespace pixquarry
