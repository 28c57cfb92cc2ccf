#include "app/web_pages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include "core/notifier.h"

namespace tesmira {

const char* const kUpdatePageUrl = "https://www.corvanesoft.example/tesmira/update.html";
const char* const kCodecPageUrl = "https://www.corvanesoft.example/tesmira/codec.html";

void OpenWebPage(const std::string& url, INotifier& notifier, const UrlOpener& opener) {
    const bool opened =
        opener ? opener(url) : QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
    if (opened)
        return;
    QApplication::beep();
    notifier.Notify(
        QCoreApplication::translate("App", "インターネットに接続してください。\n").toStdString(),
        MessageIcon::Information);
}

}  // namespace tesmira
