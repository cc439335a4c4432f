#include "gui/QtOwnedDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace pixquarry {

void QtOwnedDialogs::BrowseDir(const std::string& title, Chosen chosen) {
    // It starts in the home folder, the nearest thing here to a desktop.
    auto* dialog = new QFileDialog(m_parent, QString::fromUtf8(title), QDir::homePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, chosen = std::move(chosen)](int result) {
                         const QStringList picked = dialog->selectedFiles();
                         // No closing separator, except for the root itself.
                         chosen(result == QDialog::Accepted && !picked.isEmpty()
                                    ? QDir::cleanPath(picked.front()).toStdString()
                                    : std::string());
                     });
    dialog->open();
}

void QtOwnedDialogs::Show(const std::string& text, Closed closed) {
    QString shown = QString::fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Pixquarry"), shown,
                                QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    if (closed)
        QObject::connect(box, &QMessageBox::finished, box,
                         [closed = std::move(closed)] { closed(); });
    box->open();
}

}  // namespace pixquarry
