#include "gui/QtDesktop.h"

#include <QCoreApplication>

namespace pixquarry {

void QtDesktop::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace pixquarry
