#include "desktop.h"

#include <QDesktopServices>

namespace ferolind::ui {

namespace {
UrlOpener& opener() {
    static UrlOpener o;
    return o;
}
}  // namespace

void setUrlOpener(UrlOpener o) { opener() = std::move(o); }

bool openExternally(const QUrl& url) { return opener() ? opener()(url) : QDesktopServices::openUrl(url); }

QUrl mailtoUrl(const QString& address) {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address.trimmed(), QUrl::DecodedMode);
    return url;
}

}  // namespace ferolind::ui
