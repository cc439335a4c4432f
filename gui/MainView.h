#pragma once

#include <unordered_map>
#include <vector>

#include <QWidget>

#include "app/MainF1.h"

class QListView;

namespace pixquarry {

class PicListModel;

// Pixquarry's window on Qt. It only shows what the model holds and passes on
// what the user does; every decision is the model's.
class MainView final : public QWidget {
    Q_OBJECT
public:
    explicit MainView(MainF1& model, QWidget* parent = nullptr);
    ~MainView() override;

    // The widget that shows `control`.
    QWidget* WidgetFor(const Control& control) const { return m_widgets.at(&control); }
    int ToPixels(int twips) const;

signals:
    // For handlers still to come. Buttons are numbered 1 left, 2 right, 4 middle.
    void MousePressed(const pixquarry::Control* control, int button);
    void DoubleClicked(const pixquarry::Control* control);
    void FocusEntered(const pixquarry::Control* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <typename W>
    W* Add(Control& control);
    void AddTextBox(TextBox& box);
    void AddOption(OptionButton& option);
    void AddPicList();
    void Refresh(const Control& control);
    void ShowCurrentRow(int row);

    MainF1& m_model;
    double m_scale = 1.0;
    std::unordered_map<const Control*, QWidget*> m_widgets;
    std::unordered_map<const QObject*, const Control*> m_watched;
    std::vector<Control*> m_controls;
    std::vector<OptionButton*> m_options;
    PicListModel* m_picModel = nullptr;
    QListView* m_picView = nullptr;
};

}  // namespace pixquarry
