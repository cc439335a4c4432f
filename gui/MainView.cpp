#include "gui/MainView.h"

#include <algorithm>
#include <string_view>
#include <type_traits>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QUrl>

#include "gui/PicListModel.h"
#include "gui/PixquarryIcon.xpm.h"

namespace pixquarry {

namespace {

constexpr int kTwipsPerPixel = 15;  // at 96 dpi

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The faces the window asks for are not on a Linux desktop; each gets the
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
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, text);
    }
    widget.setPalette(palette);
}

}  // namespace

MainView::MainView(MainF1& model, Browser& browser, TransferEngine* engine, QWidget* parent)
    : QWidget(parent), m_model(model) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_scale = screen->logicalDotsPerInch() / 96.0;
    }
    setWindowTitle(FromUtf8(MainF1::kCaption));
    setAcceptDrops(true);
    setWindowIcon(QPixmap(kPixquarryIcon));
    setFixedSize(ToPixels(MainF1::kClientWidth), ToPixels(MainF1::kClientHeight));
    QFont font = this->font();
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"),
                      QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSize(9);
    setFont(font);

    Add<QLabel>(m_model.Label1);
    AddTextBox(m_model.OFile1);
    Add<QPushButton>(m_model.SearchPic);
    Add<QLabel>(m_model.Label2);
    AddTextBox(m_model.WebUrl);
    Add<QGroupBox>(m_model.Frame1);
    for (int i = 0; i < m_model.PiPei.Count(); ++i)
        AddOption(m_model.PiPei[i]);
    Add<QLabel>(m_model.PPDefBeg);
    AddTextBox(m_model.PPTBeg);
    Add<QLabel>(m_model.PPDefEnd);
    AddTextBox(m_model.PPTEnd);
    Add<QPushButton>(m_model.DownPic);
    Add<QGroupBox>(m_model.Frame2);
    AddOption(m_model.FileS1);
    AddOption(m_model.FileS2);
    AddTextBox(m_model.FileS2Dir);
    m_banner = new BannerView(this, engine, browser);
    Place(m_model.AD1, m_banner);
    m_banner->setAcceptDrops(false);
    Add<QLabel>(m_model.Label5);
    Add<QPushButton>(m_model.OpenDownDir);
    Add<QLabel>(m_model.Label6);
    Add<QCheckBox>(m_model.SDownAll);
    Add<QPushButton>(m_model.Command1);
    Add<QLabel>(m_model.Label4);
    Add<QLabel>(m_model.NewSoftInfo);
    AddPicList();
    Add<QGroupBox>(m_model.Frame3);
    AddTextBox(m_model.LogShow);
    auto* progress = Add<QProgressBar>(m_model.DownProgress);
    progress->setTextVisible(false);

    // Controls without a font of their own take the window's, also inside the
    // frames, whose style sheet would otherwise hand them the application's.
    for (Control* control : m_controls) {
        if (control->Font().face.empty() && control->Container())
            WidgetFor(*control)->setFont(font);
    }
    for (OptionButton* option : m_options) {
        auto& group = m_groups.emplace_back();
        for (OptionButton* member : m_options) {
            if (member->Container() == option->Container())
                group.push_back(member);
        }
        if (group.front() != option)
            m_groups.pop_back();  // one group per frame, found at its first member
    }
    for (const Control* link : {&m_model.Label6, &m_model.NewSoftInfo})
        WidgetFor(*link)->setCursor(Qt::PointingHandCursor);

    for (const Control* control : m_controls)
        Refresh(*control);
    UpdateTabStops();
    const std::vector<const Control*> order = m_model.FocusOrder();
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(WidgetFor(*order[i - 1]), WidgetFor(*order[i]));
    }
    WidgetFor(m_model.OFile1)->setFocus();

    // Centred by us: window managers differ in where they put a new window.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

MainView::~MainView() {
    for (Control* control : m_controls)
        control->SetObserver(nullptr);
}

int MainView::ToPixels(int twips) const {
    return qRound(twips * m_scale / kTwipsPerPixel);
}

template <typename W>
W* MainView::Add(Control& control) {
    const Control* container = control.Container();
    auto* widget = new W(container ? WidgetFor(*container) : this);
    Place(control, widget);
    return widget;
}

void MainView::Place(Control& control, QWidget* widget) {
    const Twips& place = control.Place();
    widget->setGeometry(ToPixels(place.Left), ToPixels(place.Top), ToPixels(place.Width),
                        ToPixels(place.Height));
    const FontSpec& wanted = control.Font();
    if (!wanted.face.empty()) {
        QFont font = widget->font();
        font.setFamilies(FamiliesFor(wanted.face));
        if (wanted.points > 0)
            font.setPointSizeF(wanted.points);
        font.setBold(wanted.bold);
        widget->setFont(font);
    }
    if (qobject_cast<QGroupBox*>(widget)) {
        // The caption sits in the top line, as on a classic frame, so that the
        // controls placed below it keep the room they were laid out with.
        widget->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 1px solid palette(mid); margin-top: 7px; }"
            "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
    }
    // Options raise their click through the model when they are selected.
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button && !qobject_cast<QRadioButton*>(widget))
        connect(button, &QAbstractButton::clicked, this, [&control] { control.Click(); });
    m_widgets[&control] = widget;
    m_watched[widget] = &control;
    widget->installEventFilter(this);
    m_controls.push_back(&control);
    control.SetObserver([this, &control] { Refresh(control); });
}

void MainView::AddTextBox(TextBox& box) {
    auto* edit = Add<QLineEdit>(box);
    edit->setAcceptDrops(false);  // drops go to the window, which harvests them
    connect(edit, &QLineEdit::textEdited, this,
            [&box](const QString& text) { box.SetText(text.toStdString()); });
}

void MainView::AddOption(OptionButton& option) {
    auto* radio = Add<QRadioButton>(option);
    // Which option of a group is on is the model's business.
    radio->setAutoExclusive(false);
    m_options.push_back(&option);
    // Selecting raises the option's click through the model.
    connect(radio, &QRadioButton::clicked, this, [this, &option] {
        option.SetValue(true);
        // A click on the option that was on already turned the widget off.
        for (const OptionButton* each : m_options)
            Refresh(*each);
    });
}

void MainView::AddPicList() {
    m_picView = Add<QListView>(m_model.GetPic);
    m_picView->setUniformItemSizes(true);
    m_picModel = new PicListModel(m_model.GetPic, m_picView);
    m_picView->setModel(m_picModel);
    m_watched[m_picView->viewport()] = &m_model.GetPic;
    m_picView->viewport()->installEventFilter(this);
    connect(m_picView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // While the list changes Qt moves its current row on its own.
                if (m_picModel->Applying())
                    return;
                m_model.GetPic.SetListIndex(current.isValid() ? current.row() : -1);
            });
    connect(m_picModel, &PicListModel::CurrentRowChanged, this, &MainView::ShowCurrentRow);
}

void MainView::ShowCurrentRow(int row) {
    QItemSelectionModel* selection = m_picView->selectionModel();
    if (row < 0) {
        selection->clear();
    } else {
        selection->setCurrentIndex(m_picModel->index(row), QItemSelectionModel::ClearAndSelect);
    }
}

void MainView::Refresh(const Control& control) {
    QWidget* widget = WidgetFor(control);
    widget->setVisible(control.Visible());
    widget->setEnabled(control.Enabled());
    ApplyColour(*widget, control.ForeColor());
    if (const auto* captioned = dynamic_cast<const CaptionedControl*>(&control)) {
        const QString caption = QString::fromStdString(captioned->Caption());
        if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(caption);
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(caption);
        if (auto* frame = qobject_cast<QGroupBox*>(widget))
            frame->setTitle(caption);
    }
    if (const auto* option = dynamic_cast<const OptionButton*>(&control)) {
        static_cast<QRadioButton*>(widget)->setChecked(option->Value());
        UpdateTabStops();
    }
    if (const auto* box = dynamic_cast<const TextBox*>(&control)) {
        auto* edit = static_cast<QLineEdit*>(widget);
        const QString text = QString::fromStdString(box->Text());
        // Setting the same text again would throw the cursor to the end.
        if (edit->text() != text) {
            edit->setText(text);
            // A long text shows its beginning, cut at the right edge.
            if (!edit->hasFocus())
                edit->setCursorPosition(0);
        }
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        // A caption that does not fit can still be read whole.
        const bool cut = label->fontMetrics().horizontalAdvance(label->text()) > label->width();
        label->setToolTip(cut ? label->text() : QString());
    }
    if (const auto* web = dynamic_cast<const WebBrowser*>(&control)) {
        if (web->LocationURL() != m_bannerShown) {
            m_bannerShown = web->LocationURL();
            m_banner->Load(m_bannerShown);
        }
    }
    if (const auto* bar = dynamic_cast<const ProgressBar*>(&control)) {
        auto* progress = static_cast<QProgressBar*>(widget);
        progress->setRange(0, bar->Max());
        progress->setValue(bar->Value());
    }
}

// As on any desktop: one Tab stop per option group, the selected option or
// the first when none is; the arrow keys move within the group.
void MainView::UpdateTabStops() {
    for (const auto& group : m_groups) {
        const OptionButton* stop = group.front();
        for (const OptionButton* option : group) {
            if (option->Value())
                stop = option;
        }
        for (const OptionButton* option : group)
            WidgetFor(*option)->setFocusPolicy(option == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

bool MainView::MoveWithinGroup(const OptionButton& from, int step) {
    for (const auto& group : m_groups) {
        const auto at = std::find(group.begin(), group.end(), &from);
        if (at == group.end())
            continue;
        const auto size = static_cast<std::ptrdiff_t>(group.size());
        const std::ptrdiff_t next = ((at - group.begin()) + step + size) % size;
        OptionButton& target = *group[static_cast<std::size_t>(next)];
        WidgetFor(target)->setFocus(Qt::TabFocusReason);
        target.SetValue(true);
        return true;
    }
    return false;
}

namespace {

// Local files as paths, anything else as the address or text it is.
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

}  // namespace

void MainView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

// A file or address dropped anywhere on the window is harvested.
void MainView::dropEvent(QDropEvent* event) {
    const std::vector<std::string> items = DroppedItems(*event->mimeData());
    if (items.empty())
        return;
    event->acceptProposedAction();
    m_model.OFile1.Drop(items);
}

void MainView::closeEvent(QCloseEvent* event) {
    // A download run or a web source in progress stops at once.
    m_model.Unload();
    if (m_closing)
        m_closing();
    QWidget::closeEvent(event);
}

bool MainView::eventFilter(QObject* watched, QEvent* event) {
    const auto found = m_watched.find(watched);
    if (found == m_watched.end())
        return QWidget::eventFilter(watched, event);
    const Control& control = *found->second;
    const bool isLabel = qobject_cast<QLabel*>(watched) != nullptr;
    switch (event->type()) {
        case QEvent::FocusIn: {
            // Coming back to the window is not entering the control.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                break;
            control.GotFocus();
            break;
        }
        case QEvent::MouseButtonDblClick:
            control.DblClick();
            break;
        case QEvent::MouseButtonPress:
            control.MouseDown(ButtonNumber(static_cast<QMouseEvent*>(event)->button()));
            // A press on a label is the label's, not the frame's beneath it.
            return isLabel;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (isLabel && mouse->button() == Qt::LeftButton &&
                static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
                control.Click();
                return true;
            }
            break;
        }
        case QEvent::KeyPress: {
            const auto* option = dynamic_cast<const OptionButton*>(&control);
            if (!option)
                break;
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Down || key == Qt::Key_Right)
                return MoveWithinGroup(*option, 1);
            if (key == Qt::Key_Up || key == Qt::Key_Left)
                return MoveWithinGroup(*option, -1);
            break;
        }
        default:
            break;
    }
    return false;
}

}  // namespace pixquarry
