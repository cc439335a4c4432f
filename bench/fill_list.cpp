// Time to fill the window's picture list with N links, from the click on the
// extract button to the list painted, set against a stock QListWidget filled
// with the same checkable items. Run with QT_QPA_PLATFORM=offscreen.

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/MainF1.h"
#include "cli/HeadlessSeams.h"
#include "gui/MainView.h"
#include "platform/curl/CurlDownloader.h"
#include "platform/curl/CurlHttpClient.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::stoi(argv[1]) : 100000;

    QTemporaryDir dir;
    const std::string path = dir.filePath("links.css").toStdString();
    {
        std::ofstream css(path);
        for (int i = 0; i < count; ++i)
            css << ".c" << i << "{background:url(img/p" << i << ".png)}\n";
    }

    pixquarry::CurlDownloader downloader;
    pixquarry::CurlHttpClient http(pixquarry::TransferLimits{});
    pixquarry::HeadlessSeams seams(downloader, http, http);
    pixquarry::MainF1 model(seams.Make());
    pixquarry::MainView view(model, seams);
    view.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    model.OFile1.SetText(path);
    model.SearchPic_Click();
    view.repaint();
    QApplication::processEvents();
    const double ours = clock.nsecsElapsed() / 1e6;
    if (model.GetPic.ListCount() != count) {
        std::fprintf(stderr, "expected %d items, got %d\n", count, model.GetPic.ListCount());
        return 1;
    }

    // The peer: the same links as checkable items of a sorted QListWidget.
    QListWidget peer;
    peer.setUniformItemSizes(true);
    peer.setSortingEnabled(true);
    peer.resize(601, 232);
    peer.show();
    QApplication::processEvents();
    clock.restart();
    for (int i = 0; i < model.GetPic.ListCount(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(model.GetPic.List(i)));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        peer.addItem(item);
    }
    peer.repaint();
    QApplication::processEvents();
    const double stock = clock.nsecsElapsed() / 1e6;

    std::printf("pixquarry window, read + extract + list %d links: %.1f ms (goal < 1000 ms)\n",
                count, ours);
    std::printf("QListWidget filled with the same items (peer): %.1f ms\n", stock);
    std::printf("time ratio pixquarry/peer: %.2f\n", ours / stock);
    return 0;
}
