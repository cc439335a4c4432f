#include "gui/BannerView.h"

#include <mutex>
#include <thread>

#include <QUrl>

#include "extract/SourceText.h"
#include "platform/Browser.h"

namespace pixquarry {

struct BannerView::Pending {
    std::mutex mutex;
    bool done = false;
    HttpResponse response;
};

BannerView::BannerView(QWidget* parent, Fetch fetch, Browser& browser)
    : QTextBrowser(parent), m_fetch(std::move(fetch)), m_browser(browser) {
    setOpenLinks(false);
    setFrameShape(QFrame::StyledPanel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl base(QString::fromStdString(m_url));
        m_browser.Open(base.resolved(link).toString().toStdString());
    });
    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, &BannerView::Collect);
}

// A fetch still under way finishes on its own and is dropped.
BannerView::~BannerView() = default;

void BannerView::Load(const std::string& url) {
    m_url = url;
    clear();
    if (url.empty() || !m_fetch)
        return;
    auto pending = std::make_shared<Pending>();
    m_pending = pending;
    std::thread([pending, fetch = m_fetch, url] {
        HttpResponse response = fetch(url);
        const std::lock_guard lock(pending->mutex);
        pending->response = std::move(response);
        pending->done = true;
    }).detach();
    m_poll.start();
}

void BannerView::Collect() {
    HttpResponse response;
    {
        const std::lock_guard lock(m_pending->mutex);
        if (!m_pending->done)
            return;
        response = std::move(m_pending->response);
    }
    m_poll.stop();
    m_pending.reset();
    // A page that did not come leaves the banner quietly empty.
    if (!response.ok || response.status >= 400)
        return;
    setHtml(QString::fromStdString(DecodeSourceText(std::move(response.body))));
}

}  // namespace pixquarry
