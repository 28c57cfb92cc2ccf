#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "core/log.h"

namespace tesmira {
namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void MessageBoxNotifier::Notify(const std::string& text, MessageIcon icon) {
    if (!qApp || shuttingDown_) {
        std::fprintf(stderr, "tesmira: %s\n", text.c_str());
        return;
    }
    qCInfo(lcApp).noquote() << "message box:" << QString::fromStdString(text).trimmed();
    QMessageBox box(ToQt(icon), QStringLiteral("Tesmira"), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void MessageBoxNotifier::CloseForShutdown() {
    shuttingDown_ = true;
    CloseModalWindows();
}

void CloseModalWindows() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;  // it refused to close
    }
}

}  // namespace tesmira
