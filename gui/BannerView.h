#pragma once

#include <cstdint>
#include <string>

#include <QTextBrowser>

namespace pixquarry {

class Browser;
class TransferEngine;

// The banner: a light HTML view whose page comes through the transfer engine,
// so a slow site never holds up the window. Links open in the browser. The
// page gets no picture, style sheet or anything else it names, least of all
// from the local disk (a FIFO would hold up the window, /dev/zero flood it).
class BannerView final : public QTextBrowser {
    Q_OBJECT
public:
    // No engine: the banner stays empty.
    BannerView(QWidget* parent, TransferEngine* engine, Browser& browser);
    // A fetch still under way is dropped.
    ~BannerView() override;

    void Load(const std::string& url);
    bool Loading() const { return m_transfer != 0; }

private:
    void Drop();

    TransferEngine* m_engine;
    Browser& m_browser;
    std::string m_url;
    std::string m_body;
    std::uint64_t m_transfer = 0;
};

}  // namespace pixquarry
