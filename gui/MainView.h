#pragma once

#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QPoint>
#include <QWidget>

#include "app/MainF1.h"
#include "gui/BannerView.h"
#include "gui/ControlWidgets.h"

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QMenu;

namespace pixquarry {

class Browser;
class PicPreview;
class TransferEngine;

// Pixquarry's window on Qt. It only shows what the model holds and passes on
// what the user does; every decision is the model's.
class MainView final : public QWidget {
    Q_OBJECT
public:
    // The banner's page comes through `engine`; none leaves it empty.
    MainView(MainF1& model, Browser& browser, TransferEngine* engine = nullptr,
             QWidget* parent = nullptr);
    ~MainView() override;

    // The hover tip of the picture list.
    PicPreview* Preview() const { return m_preview; }
    // The widget that shows `control`.
    QWidget* WidgetFor(const Control& control) const { return m_widgets.at(&control); }
    int ToPixels(int twips) const;
    // Runs when the window closes, after the model has been told.
    void OnClose(std::function<void()> closing) { m_closing = std::move(closing); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    using Refresher = std::function<void()>;
    template <typename W>
    W* Add(Control& control);
    void Place(Control& control, QWidget* widget);
    void OnRefresh(const Control& control, Refresher refresh);
    void AddLabel(Label& label);
    void AddButton(CommandButton& button);
    void AddTextBox(TextBox& box);
    void AddOption(OptionButton& option);
    void AddComboBox(ComboBox& box);
    void AddTickBox(TickBox& box);
    void AddMenu(Menu& menu);
    void AddPicList();
    void AddFilterBar();
    void AddBanner(BannerView* banner);
    void AddProgress();
    void Refresh(const Control& control);
    void Post(std::function<void()> raise);

    MainF1& m_model;
    double m_scale = 1.0;
    QFont m_font;
    std::unordered_map<const Control*, QWidget*> m_widgets;
    std::unordered_map<const QObject*, const Control*> m_watched;
    std::unordered_map<const Control*, std::vector<Refresher>> m_refreshers;
    std::vector<Control*> m_controls;
    OptionGroups m_options;
    std::pair<const QObject*, int> m_pressed;
    std::function<void()> m_closing;  // a button under a press, and which
    PicPreview* m_preview = nullptr;
    std::unordered_map<const Menu*, QMenu*> m_menus;
    QPoint m_pressedAt;  // where the last press was, on the screen: a menu opens there
    TransferEngine* m_engine = nullptr;
};

}  // namespace pixquarry
