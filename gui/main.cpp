#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

#include "app/MainF1.h"
#include "gui/ChineseTranslations.h"
#include "gui/MainView.h"
#include "gui/QtClipboard.h"
#include "gui/QtEventLoop.h"
#include "gui/QtOpenFileDialog.h"
#include "gui/QtOwnedDialogs.h"
#include "gui/QtThumbnailMaker.h"
#include "platform/curl/EngineDownloads.h"
#include "platform/curl/EngineHttpClient.h"
#include "platform/curl/EngineProber.h"
#include "platform/curl/TransferEngine.h"
#include "platform/posix/DesktopOpener.h"
#include "platform/posix/PosixFileReader.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessStarter.h"
#include "platform/posix/RunningProgram.h"
#include "platform/posix/SteadyClock.h"

int main(int argc, char** argv) {
    using namespace pixquarry;
    QApplication app(argc, argv);
    InstallChineseTranslations(app);

    // Every transfer runs on Qt's event loop: the window never waits on the
    // network, and nothing else ever runs a loop of its own.
    QtEventLoop loop;
    TransferEngine engine(loop);
    PosixFileReader files;
    PosixFileSystem fileSystem;
    QtOpenFileDialog openFile;
    QtOwnedDialogs dialogs;
    DesktopOpener opener;
    EngineDownloads downloads(engine);
    EngineHttpClient http(engine, UpdateCheckLimits());
    EngineHttpClient pages(engine, SourceFetchLimits());
    EngineHttpClient pictures(engine, PreviewLimits());
    QtThumbnailMaker thumbnails;
    EngineProber probes(engine, ProbeLimits());
    QtClipboard clipboard;
    PosixProcessStarter processes;
    SteadyClock clock;
    ProgramInfo program = RunningProgram();
    program.picturesFolder =
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toStdString();
    program.selfUpdate = PIXQUARRY_SELF_UPDATE;
    MainF1 model(Seams{files, fileSystem, openFile, dialogs, dialogs, opener, opener, downloads,
                       http, pages, pictures, thumbnails, probes, clipboard, processes, clock,
                       program});

    MainView view(model, opener, &engine);
    openFile.SetParent(&view);
    dialogs.SetParent(&view);
    // Once the updater has taken over, the program ends.
    model.OnHandedOff([] { QCoreApplication::exit(0); });
    view.show();

    // The load handler runs once the window is up; the update check it
    // starts keeps the controls disabled until it has its answer.
    QTimer::singleShot(0, &view, [&model] { model.Form_Load(); });
    return app.exec();
}
