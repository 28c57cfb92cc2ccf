// The English translation: complete, faithful to the formats the code fills in, in step with the
// sources, and compiled into the program. A failure names the texts concerned; the cure is
// usually scripts/update_translations.sh and writing the English of the texts it lists.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <vector>

#include "app/ui_language.h"
#include "core/ui_text.h"

namespace tesmira::test {
namespace {

const QString kSourceDir = QStringLiteral(TESMIRA_SOURCE_DIR);
const QString kTsPath = kSourceDir + QStringLiteral("/translations/tesmira_en.ts");

struct Entry {
    QString context, source, translation;
    bool finished = true;
    QString Name() const { return QStringLiteral("[%1] \"%2\"").arg(context, source); }
};

std::vector<Entry> ReadTs(const QString& path) {
    std::vector<Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString context;
    Entry entry;
    while (xml.readNext() != QXmlStreamReader::EndDocument && !xml.hasError()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            entry = Entry{context, {}, {}, true};
        } else if (xml.name() == QLatin1String("source")) {
            entry.source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            entry.finished = type.isEmpty();
            entry.translation = xml.readElementText();
            if (entry.translation.isEmpty())
                entry.finished = false;
            entries.push_back(entry);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return entries;
}

QString List(const QStringList& names) {
    return QStringLiteral("\n  ") + names.join(QStringLiteral("\n  "));
}

// What the code fills into a text: printf conversions (%d, %6lld, %8.2lf, %s) and Qt's %1..%9,
// in order. A translation that drops, adds or swaps one prints garbage or reads a wrong argument.
QStringList Placeholders(const QString& text) {
    static const QRegularExpression kSpec(QStringLiteral(
        "%(?:%|[1-9]|[-+ #0]*\\d*(?:\\.\\d+)?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGcsp])"));
    QStringList found;
    for (auto it = kSpec.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    return found;
}

// Line breaks and blanks at either end join a text to what comes before or after it.
QString Edges(const QString& text) {
    static const QRegularExpression kLead(QStringLiteral("^\\s*")), kTail(QStringLiteral("\\s*$"));
    const QString lead = kLead.match(text).captured();
    const QString tail = kTail.match(text).captured();
    return QString::number(lead.count('\n')) + '/' + QString::number(tail.count('\n'));
}

// A menu caption's keyboard letter: one '&' before a letter.
int Accelerators(const QString& text) {
    static const QRegularExpression kAmp(QStringLiteral("&[^&\\s]"));
    return int(text.count(kAmp));
}

TEST(Translation, EveryTextHasAFinishedEnglishTranslation) {
    const std::vector<Entry> entries = ReadTs(kTsPath);
    ASSERT_GT(entries.size(), 100u) << kTsPath.toStdString();
    QStringList unfinished;
    for (const Entry& e : entries) {
        if (!e.finished)
            unfinished << e.Name();
    }
    EXPECT_TRUE(unfinished.isEmpty()) << "texts without English:" << List(unfinished).toStdString();
}

TEST(Translation, EnglishKeepsWhatTheCodeFillsInAndTheLineBreaks) {
    QStringList faults;
    for (const Entry& e : ReadTs(kTsPath)) {
        if (!e.finished)
            continue;
        if (Placeholders(e.source) != Placeholders(e.translation))
            faults << e.Name() + QStringLiteral(": placeholders ") +
                          Placeholders(e.source).join(' ') + QStringLiteral(" became ") +
                          Placeholders(e.translation).join(' ');
        if (Edges(e.source) != Edges(e.translation))
            faults << e.Name() + QStringLiteral(": line breaks at the ends differ");
        if (Accelerators(e.source) != Accelerators(e.translation))
            faults << e.Name() + QStringLiteral(": keyboard letters differ");
        if (e.source.contains('\t') != e.translation.contains('\t'))
            faults << e.Name() + QStringLiteral(": the shortcut column differs");
        if (e.source.count('|') != e.translation.count('|'))
            faults << e.Name() + QStringLiteral(": the file-type list changed shape");
    }
    EXPECT_TRUE(faults.isEmpty()) << List(faults).toStdString();
}

TEST(Translation, TheFileHoldsExactlyTheTextsOfTheSources) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
    QProcess update;
    update.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUPDATE"), QStringLiteral(TESMIRA_LUPDATE));
    update.setProcessEnvironment(env);
    update.start(kSourceDir + QStringLiteral("/scripts/update_translations.sh"), {fresh});
    ASSERT_TRUE(update.waitForFinished(120000));
    ASSERT_EQ(update.exitCode(), 0) << update.readAll().toStdString();

    QSet<QString> inTree, inSources;
    for (const Entry& e : ReadTs(kTsPath))
        inTree.insert(e.Name());
    for (const Entry& e : ReadTs(fresh))
        inSources.insert(e.Name());
    QStringList added = (inSources - inTree).values(), gone = (inTree - inSources).values();
    added.sort();
    gone.sort();
    EXPECT_TRUE(added.isEmpty()) << "texts in the sources but not in translations/tesmira_en.ts "
                                    "(run scripts/update_translations.sh, then translate them):"
                                 << List(added).toStdString();
    EXPECT_TRUE(gone.isEmpty()) << "texts in translations/tesmira_en.ts no longer in the sources "
                                   "(run scripts/update_translations.sh):"
                                << List(gone).toStdString();
}

// Japanese in a string literal that no translation call or marker can see is a text the English
// user would get in Japanese. Comments are skipped; the few literals that are not texts for the
// user (a font's name) are listed here.
TEST(Translation, NoJapaneseTextBypassesTheTranslation) {
    static const QRegularExpression kJapanese(
        QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff66}-\\x{ff9f}]"));
    static const QRegularExpression kLiteral(QStringLiteral("\"(?:[^\"\\\\]|\\\\.)*\""));
    static const QRegularExpression kMarker(QStringLiteral(
        "\\b(?:tr|translate|UiText|UI_TEXT_NOOP|QT_TRANSLATE_NOOP|QT_TR_NOOP)\\s*\\("));
    const QStringList notForTheUser = {QStringLiteral("\"ＭＳ Ｐゴシック\"")};
    QStringList bypassing;
    QDirIterator it(kSourceDir + QStringLiteral("/src"),
                    {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        bool inBlockComment = false;
        for (QString& line : lines) {
            // Drop comments, leaving the code (a "//" inside a literal is rare enough here).
            if (inBlockComment) {
                const qsizetype end = line.indexOf(QLatin1String("*/"));
                inBlockComment = end < 0;
                line = inBlockComment ? QString() : line.mid(end + 2);
            }
            const qsizetype block = line.indexOf(QLatin1String("/*"));
            if (block >= 0 && !line.left(block).contains('"')) {
                const qsizetype end = line.indexOf(QLatin1String("*/"), block);
                inBlockComment = end < 0;
                line = line.left(block) + (end < 0 ? QString() : line.mid(end + 2));
            }
            const qsizetype slashes = line.indexOf(QLatin1String("//"));
            if (slashes >= 0 && line.left(slashes).count('"') % 2 == 0)
                line.truncate(slashes);
        }
        for (qsizetype n = 0; n < lines.size(); ++n) {
            // A call may spread over a few lines before its literal.
            const QString window =
                lines.mid(std::max<qsizetype>(0, n - 5), std::min<qsizetype>(n, 5) + 1).join('\n');
            for (auto m = kLiteral.globalMatch(lines[n]); m.hasNext();) {
                const QString literal = m.next().captured();
                if (!literal.contains(kJapanese) || notForTheUser.contains(literal) ||
                    window.contains(kMarker))
                    continue;
                bypassing << QStringLiteral("%1:%2: %3")
                                 .arg(QDir(kSourceDir).relativeFilePath(file.fileName()))
                                 .arg(n + 1)
                                 .arg(literal);
            }
        }
    }
    EXPECT_TRUE(bypassing.isEmpty())
        << "Japanese texts shown without a translation call:" << List(bypassing).toStdString();
}

TEST(Translation, CompiledEnglishIsInstalledForItsLifetimeOnly) {
    const std::string stop = "録画中";
    {
        const UiTranslations english({UiLanguage::English, true});
        ASSERT_TRUE(english.Loaded());
        EXPECT_EQ(QCoreApplication::translate("Menu", "ﾌｧｲﾙ(&F)"), QStringLiteral("&File"));
        EXPECT_EQ(UiText("Recording", stop.c_str()), "Recording");
        EXPECT_EQ(UiText("Recording", "not a text of the program"), "not a text of the program");
    }
    EXPECT_EQ(QCoreApplication::translate("Menu", "ﾌｧｲﾙ(&F)"), QString::fromUtf8("ﾌｧｲﾙ(&F)"));
    EXPECT_EQ(UiText("Recording", stop.c_str()), stop);
    {
        // Japanese asked for: the program's texts stay the designed ones.
        const UiTranslations japanese({UiLanguage::Japanese, true});
        EXPECT_EQ(UiText("Recording", stop.c_str()), stop);
    }
}

// Paths go into translated sentences as they are: never through printf, whatever they hold.
TEST(UiText, FillInPutsAPathInAsItIs) {
    const std::string longPath = "/media/" + std::string(5000, 'x') + "/a.avi";
    const struct {
        const char* text;
        std::string value, expected;
    } cases[] = {
        {"録画は %s にあります。\n", "/video/100%d%s%n/x",
         "録画は /video/100%d%s%n/x にあります。\n"},
        {"The recording is in %s.\n", longPath, "The recording is in " + longPath + ".\n"},
        {"%s, then %s", "/a", "/a, then %s"},
        {"a translation that lost its slot", "/a", "a translation that lost its slot"},
        {"", "/a", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FillIn(c.text, c.value), c.expected) << c.text;
}

}  // namespace
}  // namespace tesmira::test
