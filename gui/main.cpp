#include <QApplication>

#include "app/MainF1.h"
#include "platform/posix/PosixFileReader.h"
#include "gui/MainView.h"
#include "gui/QtOpenFileDialog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    pixquarry::PosixFileReader files;
    pixquarry::QtOpenFileDialog openFile;
    pixquarry::MainF1 model(pixquarry::Seams{files, openFile});
    pixquarry::MainView view(model);
    openFile.SetParent(&view);
    view.show();
    return app.exec();
}
