#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QTextBrowser>
#include <QTimer>

#include "platform/HttpClient.h"

namespace pixquarry {

class Browser;

// The banner: a light HTML view whose page is fetched on a thread of its
// own, so a slow site never holds up the window. Links open in the browser.
class BannerView final : public QTextBrowser {
    Q_OBJECT
public:
    // Runs on the fetching thread; must not touch Qt.
    using Fetch = std::function<HttpResponse(const std::string& url)>;

    BannerView(QWidget* parent, Fetch fetch, Browser& browser);
    ~BannerView() override;

    void Load(const std::string& url);
    bool Loading() const { return m_pending != nullptr; }

private:
    struct Pending;
    void Collect();

    Fetch m_fetch;
    Browser& m_browser;
    std::string m_url;
    std::shared_ptr<Pending> m_pending;
    QTimer m_poll;
};

}  // namespace pixquarry
