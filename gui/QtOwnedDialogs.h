#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/FolderBrowser.h"
#include "platform/MessageBox.h"

namespace pixquarry {

// The folder browser and the message box, both modal and owned by the main
// window. Neither runs a loop of its own: each is opened and left to Qt's one
// loop, and what comes after it runs when it is closed; not at all when the
// window goes first.
class QtOwnedDialogs final : public FolderBrowser, public MessageBox {
public:
    void SetParent(QWidget* parent) { m_parent = parent; }

    void BrowseDir(const std::string& title, Chosen chosen) override;
    void Show(const std::string& text, Closed closed) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace pixquarry
