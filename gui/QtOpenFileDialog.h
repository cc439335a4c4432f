#pragma once

#include <QString>

#include "platform/OpenFileDialog.h"

class QWidget;

namespace pixquarry {

// The open-file dialog on Qt's own file dialog, opened and left to Qt's one
// loop; the choice comes when it closes.
class QtOpenFileDialog final : public OpenFileDialog {
public:
    explicit QtOpenFileDialog(QWidget* parent = nullptr) : m_parent(parent) {}

    // The window is made after the model that needs this dialog.
    void SetParent(QWidget* parent) { m_parent = parent; }
    void ShowOpen(const std::string& title, const std::string& filter, Chosen chosen) override;

private:
    QWidget* m_parent;
};

// "Text|*.txt;*.log|All|*.*" in Qt's form: "Text (*.txt *.log);;All (*.*)".
// A description without patterns is dropped.
QString QtFilter(const std::string& filter);

}  // namespace pixquarry
