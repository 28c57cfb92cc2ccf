// The splash window shown while Tesmira starts: the splash picture with two text lines. At most one
// exists; any key or mouse press anywhere removes it at once.
#pragma once

#include <QWidget>

namespace tesmira {

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    // Shows a new splash window (replacing one that is up). Nothing when the picture is missing.
    static void ShowSplashScreen(const QString& firstLine, const QString& secondLine);
    static void DestroySplash();
    static CSplashWnd* Instance();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    CSplashWnd(const QPixmap& picture, const QString& first, const QString& second);
    ~CSplashWnd() override;

    QPixmap picture_;
    QString first_, second_;
};

// Removes the splash window on the first key or mouse press (installed on the application).
class SplashDismisser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tesmira
