#include "gui/QtOwnedDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace pixquarry {

std::string QtOwnedDialogs::BrowseDir(const std::string& title) {
    // It starts in the home folder, the nearest thing here to a desktop.
    const QString chosen = QFileDialog::getExistingDirectory(
        m_parent, QString::fromUtf8(title), QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return {};
    // No closing separator, except for the root itself.
    return QDir::cleanPath(chosen).toStdString();
}

void QtOwnedDialogs::Show(const std::string& text) {
    QString shown = QString::fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pixquarry"), shown, QMessageBox::Ok,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace pixquarry
