#include <QApplication>

#include "app/MainF1.h"
#include "gui/ChineseTranslations.h"
#include "gui/MainView.h"
#include "gui/QtDesktop.h"
#include "gui/QtOpenFileDialog.h"
#include "gui/QtOwnedDialogs.h"
#include "platform/curl/CurlDownloader.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/posix/PosixFileReader.h"
#include "platform/posix/PosixProcessStarter.h"
#include "platform/posix/RunningProgram.h"
#include "web/SteadyClock.h"

int main(int argc, char** argv) {
    using namespace pixquarry;
    QApplication app(argc, argv);
    InstallChineseTranslations(app);

    PosixFileReader files;
    QtOpenFileDialog openFile;
    QtOwnedDialogs dialogs;
    QtDesktop desktop;
    CurlDownloader downloader;
    CurlHttpClient http(UpdateCheckLimits());
    CurlHttpClient pages(SourceFetchLimits());
    PosixProcessStarter processes;
    SteadyClock clock;
    MainF1 model(Seams{files, openFile, dialogs, dialogs, desktop, desktop, desktop, downloader,
                       http, pages, processes, clock, RunningProgram()});

    // Before the window exists: the update check may hand over and end here.
    if (model.Form_Load() == MainF1::LoadOutcome::HandedOff)
        return 0;

    // The banner comes on a thread of its own, with a handle of its own.
    MainView view(model, desktop, [](const std::string& url) {
        return CurlHttpClient(UpdateCheckLimits()).Get(url);
    });
    openFile.SetParent(&view);
    dialogs.SetParent(&view);
    view.show();
    return app.exec();
}
