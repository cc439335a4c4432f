#include "gui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace pixquarry {

void QtClipboard::SetText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

}  // namespace pixquarry
