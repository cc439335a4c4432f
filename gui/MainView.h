#pragma once

#include <functional>
#include <unordered_map>
#include <vector>

#include <QWidget>

#include "app/MainF1.h"
#include "gui/BannerView.h"

class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QListView;

namespace pixquarry {

class Browser;
class PicListModel;
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
    template <typename W>
    W* Add(Control& control);
    void Place(Control& control, QWidget* widget);
    void AddTextBox(TextBox& box);
    void AddOption(OptionButton& option);
    bool MoveWithinGroup(const OptionButton& from, int step);
    void UpdateTabStops();
    void AddPicList();
    void Refresh(const Control& control);
    void ShowCurrentRow(int row);

    MainF1& m_model;
    double m_scale = 1.0;
    std::unordered_map<const Control*, QWidget*> m_widgets;
    std::unordered_map<const QObject*, const Control*> m_watched;
    std::vector<Control*> m_controls;
    std::vector<OptionButton*> m_options;
    std::vector<std::vector<OptionButton*>> m_groups;  // options by frame
    PicListModel* m_picModel = nullptr;
    QListView* m_picView = nullptr;
    BannerView* m_banner = nullptr;
    std::string m_bannerShown;
    std::function<void()> m_closing;
};

}  // namespace pixquarry
