#include "gui/QtOpenFileDialog.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <QStringList>

namespace pixquarry {

QString QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" means every file, as its entry says; here it would skip names
        // without a dot.
        patterns.replaceInStrings(QRegularExpression(QStringLiteral("^\\*\\.\\*$")),
                                  QStringLiteral("*"));
        if (patterns.isEmpty())
            continue;
        entries.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

void QtOpenFileDialog::ShowOpen(const std::string& title, const std::string& filter,
                                Chosen chosen) {
    auto* dialog = new QFileDialog(m_parent, QString::fromUtf8(title));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // The descriptions are shown as they are written; they name their patterns already.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    const QString qtFilter = QtFilter(filter);
    dialog->setNameFilter(qtFilter);
    dialog->selectNameFilter(qtFilter.section(QStringLiteral(";;"), 0, 0));
    QObject::connect(
        dialog, &QFileDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
            const QStringList picked = dialog->selectedFiles();
            chosen(result == QDialog::Accepted && !picked.isEmpty() ? picked.front().toStdString()
                                                                    : std::string());
        });
    dialog->open();
}

}  // namespace pixquarry
