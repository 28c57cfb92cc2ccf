#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QString::fromUtf8("無題 - Tesmira"));
    w.showMaximized();
    return app.exec();
}
