#pragma once

class QCoreApplication;

namespace pixquarry {

// Qt's own texts (dialog buttons, the file and folder choosers) in Simplified
// Chinese like the rest of the window, whatever the system's language.
void InstallChineseTranslations(QCoreApplication& app);

}  // namespace pixquarry
