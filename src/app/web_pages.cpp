#include "app/web_pages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include "core/notifier.h"

namespace tesmira {

const char* const kUpdatePageUrl = "https://www.corvanesoft.example/tesmira/update.html";
const char* const kCodecPageUrl = "https://www.corvanesoft.example/tesmira/codec.html";

namespace {
UrlOpener& Opener() {
    static UrlOpener opener;
    return opener;
}
}  // namespace

void SetUrlOpener(UrlOpener opener) {
    Opener() = std::move(opener);
}

void OpenWebPage(const std::string& url) {
    const bool opened =
        Opener() ? Opener()(url) : QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
    if (opened)
        return;
    QApplication::beep();
    ShowMessage("インターネットに接続してください。\n", MessageIcon::Information);
}

}  // namespace tesmira
