#include "gui/QtDesktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace pixquarry {

void QtDesktop::Open(const std::string& url) {
    const QUrl address(QString::fromUtf8(url), QUrl::TolerantMode);
    // Never hand the desktop anything it would run or open locally.
    const QString scheme = address.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return;
    QDesktopServices::openUrl(address);
}

void QtDesktop::ShowFolder(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromUtf8(path)));
}

void QtDesktop::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace pixquarry
