#include "app/splash.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace tesmira {
namespace {
CSplashWnd* g_splash = nullptr;
}

CSplashWnd::CSplashWnd(const QPixmap& picture, const QString& first, const QString& second)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture),
      first_(first),
      second_(second) {
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::WaitCursor);
    setFixedSize(picture_.size());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

CSplashWnd::~CSplashWnd() {
    if (g_splash == this)
        g_splash = nullptr;
}

CSplashWnd* CSplashWnd::Instance() {
    return g_splash;
}

void CSplashWnd::ShowSplashScreen(const QString& firstLine, const QString& secondLine) {
    DestroySplash();
    const QPixmap picture(QStringLiteral(":/tesmira/splash.png"));
    if (picture.isNull())
        return;
    g_splash = new CSplashWnd(picture, firstLine, secondLine);
    g_splash->show();
    g_splash->repaint();
}

void CSplashWnd::DestroySplash() {
    if (!g_splash)
        return;
    CSplashWnd* splash = g_splash;
    g_splash = nullptr;
    splash->hide();
    splash->deleteLater();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));  // the window border
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(30);
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(QColor(233, 150, 122));
    const QFontMetrics metrics(font);
    auto centred = [&](const QString& text, int baseline) {
        painter.drawText(width() / 2 - metrics.horizontalAdvance(text) / 2, baseline, text);
    };
    centred(first_, height() - 90);
    centred(second_, height() - 60);
}

void CSplashWnd::timerEvent(QTimerEvent*) {
    DestroySplash();
}

bool SplashDismisser::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
            CSplashWnd::DestroySplash();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);  // the press still reaches its target
}

}  // namespace tesmira
