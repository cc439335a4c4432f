#include "gui/MainView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "gui/PicListModel.h"
#include "gui/PicPreview.h"
#include "gui/PixquarryIcon.xpm.h"

namespace pixquarry {

MainView::MainView(MainF1& model, Browser& browser, TransferEngine* engine, QWidget* parent)
    : QWidget(parent), m_model(model), m_engine(engine) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_scale = screen->logicalDotsPerInch() / 96.0;
    setWindowTitle(FromUtf8(MainF1::kCaption));
    setAcceptDrops(true);
    setWindowIcon(QPixmap(kPixquarryIcon));
    setFixedSize(ToPixels(MainF1::kClientWidth), ToPixels(MainF1::kClientHeight));
    // A face with 12-pixel Chinese glyphs on a 12-pixel line, like the layout's
    // own: two-line captions such as 开始标记 fit their 25-pixel boxes.
    m_font = font();
    m_font.setFamilies({QStringLiteral("WenQuanYi Zen Hei Sharp"),
                        QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("DejaVu Sans")});
    m_font.setPixelSize(qRound(12 * m_scale));
    setFont(m_font);

    AddLabel(m_model.Label1);
    AddTextBox(m_model.OFile1);
    AddButton(m_model.SearchPic);
    AddLabel(m_model.Label2);
    AddTextBox(m_model.WebUrl);
    Add<QGroupBox>(m_model.Frame1);
    for (int i = 0; i < m_model.PiPei.Count(); ++i)
        AddOption(m_model.PiPei[i]);
    AddLabel(m_model.PPDefBeg);
    AddTextBox(m_model.PPTBeg);
    AddLabel(m_model.PPDefEnd);
    AddTextBox(m_model.PPTEnd);
    AddButton(m_model.DownPic);
    Add<QGroupBox>(m_model.Frame2);
    AddOption(m_model.FileS1);
    AddOption(m_model.FileS2);
    AddTextBox(m_model.FileS2Dir);
    AddBanner(new BannerView(this, engine, browser));
    AddLabel(m_model.Label5);
    AddButton(m_model.OpenDownDir);
    AddLabel(m_model.Label6);
    AddButton(m_model.SDownAll);
    AddButton(m_model.Command1);
    AddLabel(m_model.Label4);
    AddLabel(m_model.NewSoftInfo);
    AddPicList();
    Add<QGroupBox>(m_model.Frame3);
    AddTextBox(m_model.LogShow);
    AddProgress();
    AddFilterBar();
    AddMenu(m_model.mnuList);
    for (const Control* link : {&m_model.Label6, &m_model.NewSoftInfo})
        WidgetFor(*link)->setCursor(Qt::PointingHandCursor);

    const std::vector<const Control*> order = m_model.FocusOrder();
    m_options.Order(order);
    for (const Control* control : m_controls)
        Refresh(*control);
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(WidgetFor(*order[i - 1]), WidgetFor(*order[i]));
    WidgetFor(m_model.OFile1)->setFocus();

    // Centred by us: window managers differ in where they put a new window.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

// The filter bar along the bottom of the list, hidden until asked for.
void MainView::AddFilterBar() {
    AddLabel(m_model.Label7);
    AddTextBox(m_model.FilterText);
    AddLabel(m_model.Label8);
    AddComboBox(m_model.FilterType);
    AddLabel(m_model.Label9);
    AddTextBox(m_model.FilterWidth);
    AddLabel(m_model.Label10);
    AddTextBox(m_model.FilterHeight);
    AddTickBox(m_model.FilterFailed);
    AddLabel(m_model.FilterCount);
}

MainView::~MainView() {
    for (Control* control : m_controls)
        control->SetObserver(nullptr);
}

int MainView::ToPixels(int twips) const {
    return qRound(twips * m_scale / 15);  // 15 twips to the pixel at 96 dpi
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
    // On every widget: a frame's style sheet would hand on the application's font.
    widget->setFont(FontFor(control.Font(), m_font));
    m_widgets[&control] = widget;
    m_watched[widget] = &control;
    widget->installEventFilter(this);
    m_controls.push_back(&control);
    control.SetObserver([this, &control] { Refresh(control); });
    OnRefresh(control, [this, widget, &control, asked = control.FocusAsked()]() mutable {
        const Twips& now = control.Place();
        widget->setGeometry(ToPixels(now.Left), ToPixels(now.Top), ToPixels(now.Width),
                            ToPixels(now.Height));
        widget->setVisible(control.Visible());
        if (control.FocusAsked() != asked) {
            asked = control.FocusAsked();
            widget->setFocus(Qt::OtherFocusReason);
        }
        widget->setEnabled(control.Enabled());
        ApplyColour(*widget, control.ForeColor());
    });
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        StyleFrame(*frame);
        const auto& captioned = static_cast<const Frame&>(control);
        OnRefresh(control, [frame, &captioned] { frame->setTitle(FromUtf8(captioned.Caption())); });
    }
}

void MainView::OnRefresh(const Control& control, Refresher refresh) {
    m_refreshers[&control].push_back(std::move(refresh));
}

void MainView::Refresh(const Control& control) {
    for (const Refresher& refresh : m_refreshers.at(&control))
        refresh();
}

// Handlers run, in the order raised, once the event that raised them is
// over: a box they open finds no button half-pressed.
void MainView::Post(std::function<void()> raise) {
    QMetaObject::invokeMethod(this, std::move(raise), Qt::QueuedConnection);
}

void MainView::AddLabel(Label& label) {
    auto* widget = Add<ClickLabel>(label);
    connect(widget, &ClickLabel::Clicked, this,
            [this, &label] { Post([&label] { label.Click(); }); });
    OnRefresh(label, [this, widget, &label] {
        widget->setText(FromUtf8(label.Caption()));
        FitCaption(*widget, FontFor(label.Font(), m_font));
    });
}

// Buttons and the check box: a caption and a click.
void MainView::AddButton(CommandButton& button) {
    QAbstractButton* widget = &button == &m_model.SDownAll
                                  ? static_cast<QAbstractButton*>(Add<QCheckBox>(button))
                                  : Add<QPushButton>(button);
    connect(widget, &QAbstractButton::clicked, this,
            [this, &button] { Post([&button] { button.Click(); }); });
    OnRefresh(button, [widget, &button] { widget->setText(FromUtf8(button.Caption())); });
}

void MainView::AddTextBox(TextBox& box) {
    auto* edit = Add<QLineEdit>(box);
    edit->setAcceptDrops(false);  // drops go to the window, which harvests them
    connect(edit, &QLineEdit::textEdited, this,
            [&box](const QString& text) { box.SetText(text.toStdString()); });
    OnRefresh(box, [edit, &box] {
        const QString text = FromUtf8(box.Text());
        // A text cut at the right edge (a long status line) can be read whole.
        edit->setToolTip(text);
        // Setting the same text again would throw the cursor to the end.
        if (edit->text() == text)
            return;
        edit->setText(text);
        // A long text shows its beginning, cut at the right edge.
        if (!edit->hasFocus())
            edit->setCursorPosition(0);
        // Painted now: a handler that goes on working (a download run) must
        // not leave the user looking at an older message.
        if (edit->isVisible())
            edit->repaint();
    });
}

void MainView::AddOption(OptionButton& option) {
    auto* radio = Add<OptionRadio>(option);
    connect(radio, &OptionRadio::clicked, this, [this, radio, &option] {
        // A click on the option that was on already turned the widget off.
        radio->setChecked(option.Value());
        Post([&option] { option.SetValue(true); });
    });
    connect(radio, &OptionRadio::Step, this, [this, &option](int step) {
        OptionButton& target = m_options.Neighbour(option, step);
        WidgetFor(target)->setFocus(Qt::TabFocusReason);
        Post([&target] { target.SetValue(true); });
    });
    m_options.Add(option);
    OnRefresh(option, [this, radio, &option] {
        radio->setText(FromUtf8(option.Caption()));
        radio->setChecked(option.Value());
        m_options.SetTabStops([this](const Control& c) { return WidgetFor(c); });
    });
}

void MainView::AddComboBox(ComboBox& box) {
    auto* combo = Add<QComboBox>(box);
    for (int i = 0; i < box.ListCount(); ++i)
        combo->addItem(FromUtf8(box.List(i)));
    connect(combo, &QComboBox::currentIndexChanged, this,
            [&box](int index) { box.SetListIndex(index); });
    OnRefresh(box, [combo, &box] { combo->setCurrentIndex(box.ListIndex()); });
}

void MainView::AddTickBox(TickBox& box) {
    auto* tick = Add<QCheckBox>(box);
    connect(tick, &QCheckBox::toggled, this, [&box](bool on) { box.SetValue(on); });
    OnRefresh(box, [tick, &box] {
        tick->setText(FromUtf8(box.Caption()));
        tick->setChecked(box.Value());
    });
}

// A menu opens where the pointer pressed and returns at once; the entry
// chosen raises its click once the menu has closed.
void MainView::AddMenu(Menu& menu) {
    auto* popup = new QMenu(this);
    popup->setFont(m_font);
    m_menus[&menu] = popup;
    for (MenuItem* item : menu.Items()) {
        QAction* action = popup->addAction(FromUtf8(item->Caption()));
        connect(action, &QAction::triggered, this,
                [this, item] { Post([item] { item->Click(); }); });
        if (!item->Shortcut().empty()) {
            const QKeySequence keys(FromUtf8(item->Shortcut()));
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WidgetShortcut);
            connect(new QShortcut(keys, this), &QShortcut::activated, this,
                    [this, item] { Post([item] { item->Click(); }); });
        }
        m_controls.push_back(item);
        item->SetObserver([this, item] { Refresh(*item); });
        OnRefresh(*item, [action, item] {
            action->setText(FromUtf8(item->Caption()));
            action->setEnabled(item->Enabled());
        });
    }
    m_model.OnPopupMenu([this](const Menu& shown) { m_menus.at(&shown)->popup(m_pressedAt); });
}

void MainView::AddPicList() {
    auto* view = Add<QListView>(m_model.GetPic);
    ShowPicList(m_model.GetPic, *view);
    m_watched[view->viewport()] = &m_model.GetPic;
    view->viewport()->installEventFilter(this);
    m_preview = new PicPreview(*view, m_model);
}

void MainView::AddBanner(BannerView* banner) {
    Place(m_model.AD1, banner);
    banner->setAcceptDrops(false);
    OnRefresh(m_model.AD1, [banner, this, shown = std::string()]() mutable {
        if (m_model.AD1.LocationURL() == shown)
            return;
        shown = m_model.AD1.LocationURL();
        banner->Load(shown);
    });
}

void MainView::AddProgress() {
    auto* bar = Add<QProgressBar>(m_model.DownProgress);
    bar->setTextVisible(false);
    const ProgressBar& model = m_model.DownProgress;
    OnRefresh(model, [bar, &model] {
        bar->setRange(0, model.Max());
        bar->setValue(model.Value());
    });
}

void MainView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

// A file or address dropped anywhere on the window is harvested.
void MainView::dropEvent(QDropEvent* event) {
    std::vector<std::string> items = DroppedItems(*event->mimeData());
    if (items.empty())
        return;
    event->acceptProposedAction();
    Post([this, items = std::move(items)] { m_model.OFile1.Drop(items); });
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
    switch (event->type()) {
        case QEvent::FocusIn: {
            // Coming back to the window is not entering the control.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                Post([&control] { control.GotFocus(); });
            break;
        }
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                Post([&control] { control.DblClick(); });
            break;
        case QEvent::MouseButtonPress: {
            const auto* press = static_cast<QMouseEvent*>(event);
            const int button = ButtonNumber(press->button());
            m_pressedAt = press->globalPosition().toPoint();
            // A button's press ends with its release: a box the handler opens
            // before would keep the release, and the button would stay down.
            if (qobject_cast<QAbstractButton*>(watched))
                m_pressed = {watched, button};
            else
                Post([&control, button] { control.MouseDown(button); });
            break;
        }
        case QEvent::MouseButtonRelease:
            if (m_pressed.first == watched)
                Post([&control, button = m_pressed.second] { control.MouseDown(button); });
            m_pressed = {};
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // Enter and Esc go to a control that takes them, whatever widget shows it.
            if (control.TakesKeys() &&
                (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
                Post([&control, key] { control.KeyDown(key == Qt::Key_Escape ? 27 : 13); });
                return true;
            }
            // Enter presses a focused button, as Space does.
            auto* button = qobject_cast<QAbstractButton*>(watched);
            if (button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                button->click();
                return true;
            }
            break;
        }
        default:
            break;
    }
    return false;
}

}  // namespace pixquarry
