#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace tesmira {
namespace {

MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}

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

void ShowMessage(const std::string& text, MessageIcon icon) {
    if (Sink()) {
        Sink()(text, icon);
        return;
    }
    if (!qApp)
        return;
    QMessageBox box(ToQt(icon), QStringLiteral("Tesmira"), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}

}  // namespace tesmira
