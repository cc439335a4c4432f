#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

#include "app/MainF1.h"
#include "gui/ChineseTranslations.h"
#include "gui/MainView.h"
#include "gui/QtDesktop.h"
#include "gui/QtEventLoop.h"
#include "gui/QtOpenFileDialog.h"
#include "gui/QtOwnedDialogs.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/DesktopOpener.h"
#include "platform/posix/PosixFileReader.h"
#include "platform/posix/PosixProcessStarter.h"
#include "platform/posix/RunningProgram.h"
#include "platform/posix/SteadyClock.h"

int main(int argc, char** argv) {
    using namespace pixquarry;
    QApplication app(argc, argv);
    InstallChineseTranslations(app);

    // Every transfer runs on Qt's event loop: the window never waits on the network.
    QtEventLoop loop;
    TransferEngine engine(loop);
    PosixFileReader files;
    QtOpenFileDialog openFile;
    QtOwnedDialogs dialogs;
    QtDesktop desktop;
    DesktopOpener opener;
    EngineDownloader downloader(engine);
    EngineHttpClient http(engine, UpdateCheckLimits());
    EngineHttpClient pages(engine, SourceFetchLimits());
    PosixProcessStarter processes;
    SteadyClock clock;
    ProgramInfo program = RunningProgram();
    program.picturesFolder =
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toStdString();
    program.selfUpdate = PIXQUARRY_SELF_UPDATE;
    MainF1 model(Seams{files, openFile, dialogs, dialogs, opener, opener, desktop, downloader, http,
                       pages, processes, clock, program});

    MainView view(model, opener, &engine);
    openFile.SetParent(&view);
    dialogs.SetParent(&view);
    // Closing the window ends every wait on a transfer at once.
    view.OnClose([&loop] { loop.Quit(); });
    view.show();

    // The load handler runs once the window is up; the update check inside
    // it keeps the controls disabled until it has its answer.
    QTimer::singleShot(0, &view, [&model] {
        if (model.Form_Load() == MainF1::LoadOutcome::HandedOff)
            QCoreApplication::exit(0);
    });
    return app.exec();
}
