#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/FolderBrowser.h"
#include "platform/MessageBox.h"

namespace pixquarry {

// The folder browser and the message box, both modal and owned by the main
// window once it exists (the start-up boxes come before it and have no owner).
class QtOwnedDialogs final : public FolderBrowser, public MessageBox {
public:
    void SetParent(QWidget* parent) { m_parent = parent; }

    std::string BrowseDir(const std::string& title) override;
    void Show(const std::string& text) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace pixquarry
