// Reads keys of the [Settings] group of a settings file the way Tesmira does (QSettings, INI
// format), so the end-to-end scripts check what the program itself will read back.
//   tesmira-e2e-ini FILE KEY...   prints one line per key: "KEY=value", or "KEY" alone when missing
// Exit status 1 when the file is missing or QSettings cannot parse it, 2 on a bad command line.
#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tesmira-e2e-ini FILE KEY...\n");
        return 2;
    }
    if (!QFileInfo(args[1]).isFile()) {
        std::fprintf(stderr, "tesmira-e2e-ini: %s: no such file\n", qPrintable(args[1]));
        return 1;
    }
    QSettings ini(args[1], QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        std::fprintf(stderr, "tesmira-e2e-ini: %s: not a readable settings file\n",
                     qPrintable(args[1]));
        return 1;
    }
    ini.beginGroup(QStringLiteral("Settings"));
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QVariant v = ini.value(args[i]);
        QString line = args[i];
        if (v.isValid()) {
            // An unquoted value holding commas reads back as a list; show it the way Tesmira joins
            // it.
            const QString text = v.typeId() == QMetaType::QStringList
                                     ? v.toStringList().join(QStringLiteral(", "))
                                     : v.toString();
            line += QLatin1Char('=') + text;
        }
        std::printf("%s\n", line.toUtf8().constData());
    }
    return 0;
}
