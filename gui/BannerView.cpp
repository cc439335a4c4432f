#include "gui/BannerView.h"

#include <QUrl>

#include "extract/SourceText.h"
#include "platform/Browser.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

BannerView::BannerView(QWidget* parent, TransferEngine* engine, Browser& browser)
    : QTextBrowser(parent), m_engine(engine), m_browser(browser) {
    setOpenLinks(false);
    setFrameShape(QFrame::StyledPanel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl base(QString::fromStdString(m_url));
        m_browser.Open(base.resolved(link).toString().toStdString());
    });
}

BannerView::~BannerView() {
    Drop();
}

void BannerView::Drop() {
    if (m_transfer != 0)
        m_engine->Cancel(m_transfer);
    m_transfer = 0;
    m_body.clear();
}

QVariant BannerView::loadResource(int, const QUrl&) {
    return {};
}

void BannerView::Load(const std::string& url) {
    Drop();
    m_url = url;
    clear();
    if (url.empty() || m_engine == nullptr)
        return;
    m_transfer = m_engine->Start(
        url, UpdateCheckLimits(), {},
        [this](std::string_view chunk, long, std::string&) {
            m_body.append(chunk);
            return true;
        },
        [this](const CurlOutcome& outcome) {
            m_transfer = 0;
            std::string body = std::move(m_body);
            m_body.clear();
            // A page that did not come leaves the banner quietly empty.
            if (!outcome.transferred || outcome.status >= 400)
                return;
            setHtml(QString::fromStdString(DecodeSourceText(std::move(body))));
        });
}

}  // namespace pixquarry
