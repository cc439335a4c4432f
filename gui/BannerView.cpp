#include "gui/BannerView.h"

#include <QImage>
#include <QTextDocument>
#include <QUrl>

#include "extract/SourceText.h"
#include "platform/Browser.h"
#include "platform/curl/TransferEngine.h"

namespace pixquarry {

namespace {

// Every resource the page names is answered here, whatever path Qt takes to
// it: QTextDocument's own fallback opens local files and devices, and some Qt
// versions read an image that comes back empty from its name directly. So
// images get one transparent pixel and the rest no bytes.
class ClosedDocument final : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl&) override {
        if (type != QTextDocument::ImageResource)
            return QByteArray();
        QImage blank(1, 1, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::transparent);
        return blank;
    }
};

}  // namespace

BannerView::BannerView(QWidget* parent, TransferEngine* engine, Browser& browser)
    : QTextBrowser(parent), m_engine(engine), m_browser(browser) {
    setDocument(new ClosedDocument(this));
    document()->setDefaultFont(font());  // a new document starts with the application's
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
