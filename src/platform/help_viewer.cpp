#include "platform/help_viewer.h"

#include <chm_lib.h>

#include <algorithm>

#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace brine {
namespace {

constexpr LONGUINT64 kMaxObjectBytes = 64u << 20;  // no help page comes near this

QUrl topicUrl(const std::string& topic) {
    std::string page = topic;
    std::string fragment;
    if (auto hash = page.find('#'); hash != std::string::npos) {
        fragment = page.substr(hash + 1);
        page.erase(hash);
    }
    if (page.empty() || page.front() != '/') page.insert(page.begin(), '/');
    QUrl url;
    url.setScheme(QStringLiteral("chm"));
    url.setPath(QString::fromStdString(page));
    if (!fragment.empty()) url.setFragment(QString::fromStdString(fragment));
    return url;
}

}  // namespace

ChmArchive::~ChmArchive() { close(); }

bool ChmArchive::open(const std::string& path) {
    close();
    handle_ = chm_open(path.c_str());
    if (handle_) path_ = path;
    return handle_ != nullptr;
}

void ChmArchive::close() {
    if (handle_) chm_close(handle_);
    handle_ = nullptr;
    path_.clear();
}

std::optional<QByteArray> ChmArchive::read(const std::string& objectPath) const {
    if (!handle_) return std::nullopt;
    chmUnitInfo info{};
    if (chm_resolve_object(handle_, objectPath.c_str(), &info) != CHM_RESOLVE_SUCCESS) return std::nullopt;
    if (info.length > kMaxObjectBytes) return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(info.length), '\0');
    if (info.length == 0) return bytes;
    LONGINT64 got = chm_retrieve_object(handle_, &info, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                        static_cast<LONGINT64>(info.length));
    if (got != static_cast<LONGINT64>(info.length)) return std::nullopt;
    return bytes;
}

std::string ChmArchive::defaultTopic() const {
    // System data: a 4-byte version, then records of a 16-bit code, a 16-bit
    // length and the data; code 2 holds the default page.
    if (auto sys = read("/#SYSTEM")) {
        const auto* p = reinterpret_cast<const unsigned char*>(sys->constData());
        qsizetype n = sys->size();
        qsizetype pos = 4;
        while (pos + 4 <= n) {
            unsigned code = p[pos] | (p[pos + 1] << 8);
            qsizetype len = p[pos + 2] | (p[pos + 3] << 8);
            pos += 4;
            if (pos + len > n) break;
            if (code == 2 && len > 0) {
                std::string page(reinterpret_cast<const char*>(p + pos), static_cast<std::size_t>(len));
                page.erase(std::find(page.begin(), page.end(), '\0'), page.end());
                if (!page.empty()) return page.front() == '/' ? page : "/" + page;
            }
            pos += len;
        }
    }
    return "/index.htm";
}

ChmBrowser::ChmBrowser(ChmArchive& archive, QWidget* parent) : QTextBrowser(parent), archive_(archive) {
    setObjectName("Browser");
    setOpenExternalLinks(false);
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme() == QLatin1String("chm")) {
        if (auto bytes = archive_.read(name.path().toStdString())) return *bytes;
        return {};
    }
    return QTextBrowser::loadResource(type, name);
}

THelpViewer::THelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpViewer");
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("ヘルプ"));
    resize(640, 520);
    Browser = new ChmBrowser(archive_, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
    // Links and Alt+Left/Right move between pages: the caption names the page shown.
    connect(Browser, &QTextBrowser::sourceChanged, this, [this] { showCaption(); });
}

void THelpViewer::showCaption() {
    QString title = Browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("ヘルプ") : title);
}

std::optional<std::string> THelpViewer::ShowTopic(const std::string& file, const std::string& topic) {
    if (file.empty()) return std::string("ヘルプファイルが設定されていません。");
    if (!archive_.isOpen() || archive_.path() != file) {
        if (!archive_.open(file)) return "ヘルプファイルを開けません。\n" + file;
        Browser->clear();
    }
    QUrl url = topicUrl(topic.empty() ? archive_.defaultTopic() : topic);
    if (!archive_.read(url.path().toStdString())) return "ヘルプの項目が見つかりません。\n" + url.path().toStdString();
    if (Browser->source() == url)
        Browser->reload();
    else
        Browser->setSource(url, QTextDocument::HtmlResource);
    showCaption();
    show();
    raise();
    activateWindow();
    return std::nullopt;
}

}  // namespace brine
