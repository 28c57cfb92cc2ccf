#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/dlg_command_send.h"
#include "dialogs/dlg_zsync.h"
#include "panel/dlg_main.h"
#include "stage/stage_fakes.h"

namespace tesmira {
namespace {

using test::StageFixture;

// Clicks a radio on its indicator, where a user clicks.
void ClickRadio(QRadioButton* r) {
    QTest::mouseClick(r, Qt::LeftButton, Qt::NoModifier, QPoint(6, r->height() / 2));
}

template <typename W>
W* Find(QWidget& root, int id) {
    return qobject_cast<W*>(FindControl(&root, id));
}

class CommandSend : public StageFixture {
protected:
    void SetUp() override {
        StageFixture::SetUp();
        settings.port1 = "/dev/ttyS0";
        settings.port2 = "/dev/ttyUSB1";
    }
    void Type(int editId, const QString& text) { Find<QLineEdit>(dlg, editId)->setText(text); }
    CDlgCommandSend dlg{slots, settings};
};

TEST_F(CommandSend, SemicolonsSplitALineIntoPiecesWithTheKindsLineEnd) {
    settings.xyAxisType = 1;
    Type(1017, "M:W+P500-P200;G");
    dlg.SendLine(1);
    EXPECT_EQ((std::vector<std::string>{"M:W+P500-P200\r", "G\r"}), xy.writes);

    xy.writes.clear();
    Type(1017, ";;");
    dlg.SendLine(1);
    EXPECT_EQ((std::vector<std::string>{"\r", "\r"}), xy.writes);

    xy.writes.clear();
    settings.xyAxisType = 2;
    Type(1017, "Q:;");
    dlg.SendLine(1);
    Type(1017, "");
    dlg.SendLine(1);
    EXPECT_EQ(std::vector<std::string>{"Q:\r\n"}, xy.writes);
}

// Answers appear under their line, one reply line a line, with what is no text made visible.
TEST_F(CommandSend, AnswersAreShownUnderTheirLineReadably) {
    auto* answer1 = dlg.findChild<QPlainTextEdit*>(QStringLiteral("answer1"));
    auto* answer2 = dlg.findChild<QPlainTextEdit*>(QStringLiteral("answer2"));
    ASSERT_TRUE(answer1 && answer2);
    dlg.ShowAnswer(1, "OK\r\nOK\r\n");
    dlg.ShowAnswer(2, std::string("aSPR 5000\r\x06\xff\0x", 14));
    dlg.ShowAnswer(2, std::string(2000, 'y') + "\r");
    dlg.ShowAnswer(3, "nobody\r");
    EXPECT_EQ(answer1->toPlainText(), QStringLiteral("OK\nOK"));
    const QStringList lines = answer2->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("aSPR 5000"));
    EXPECT_EQ(lines[1], QStringLiteral("\\x06\\xFF\\x00x"));
    EXPECT_EQ(lines[2].size(), 512) << "a long answer is cut";
    EXPECT_TRUE(answer1->isReadOnly());
}

TEST_F(CommandSend, LineTwoGoesToSlotTwoWithTheZLineEnd) {
    settings.zAxisType = 2;
    settings.useOnePort = true;  // line 2 still names slot 2
    slots.ChooseZChannel();
    Type(1018, "MGO:A5");
    dlg.SendLine(2);
    EXPECT_EQ(std::vector<std::string>{"MGO:A5\r\n"}, z.writes);
    EXPECT_TRUE(xy.writes.empty());

    z.open = false;
    dlg.SendLine(2);
    EXPECT_EQ(1u, z.writes.size());
}

TEST_F(CommandSend, LongAndOddLinesAreSentAsTyped) {
    settings.xyAxisType = 0;
    const QString longLine = QString(40000, QChar('x')) + ";" + QString::fromUtf8("µ\t ");
    Type(1017, longLine);
    dlg.SendLine(1);
    ASSERT_EQ(2u, xy.writes.size());
    EXPECT_EQ(std::string(40000, 'x') + "\r\n", xy.writes[0]);
    EXPECT_EQ("µ\t \r\n", xy.writes[1]);
    EXPECT_EQ(0.0, state.stageX);
}

TEST_F(CommandSend, LabelsAndSendButtonsFollowThePorts) {
    settings.xyAxisType = 2;
    settings.zAxisType = 1;
    dlg.RefreshPortLabels();
    EXPECT_EQ(QString::fromUtf8("/dev/ttyS0\tシグマ光機"), Find<QLabel>(dlg, 1035)->text());
    EXPECT_EQ(QString::fromUtf8("/dev/ttyUSB1\tLEP MAC5000"), Find<QLabel>(dlg, 1036)->text());
    EXPECT_TRUE(Find<QPushButton>(dlg, 1016)->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(dlg, 1019)->isEnabled());

    settings.useOnePort = true;
    dlg.RefreshPortLabels();
    EXPECT_FALSE(Find<QPushButton>(dlg, 1019)->isEnabled());
    EXPECT_FALSE(Find<QLabel>(dlg, 1036)->text().isEmpty());

    xy.open = false;
    settings.useOnePort = false;
    z.open = false;
    dlg.RefreshPortLabels();
    EXPECT_TRUE(Find<QLabel>(dlg, 1035)->text().isEmpty());
    EXPECT_FALSE(Find<QPushButton>(dlg, 1016)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(dlg, 1019)->isEnabled());
}

TEST_F(CommandSend, EnterSendsTheFocusedLineAndNeverClosesTheDialog) {
    settings.xyAxisType = 1;
    settings.zAxisType = 1;
    dlg.ShowAndRefresh();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    Type(1017, "A");
    Type(1018, "B");
    Find<QLineEdit>(dlg, 1017)->setFocus();
    QTest::keyClick(Find<QLineEdit>(dlg, 1017), Qt::Key_Return);
    Find<QLineEdit>(dlg, 1018)->setFocus();
    QTest::keyClick(Find<QLineEdit>(dlg, 1018), Qt::Key_Enter, Qt::KeypadModifier);
    Find<QPushButton>(dlg, 1019)->setFocus();
    QTest::keyClick(Find<QPushButton>(dlg, 1019), Qt::Key_Return);
    EXPECT_EQ(std::vector<std::string>{"A\r"}, xy.writes);
    EXPECT_EQ(std::vector<std::string>{"B\r"}, z.writes);
    EXPECT_TRUE(dlg.isVisible());
    QTest::mouseClick(Find<QPushButton>(dlg, 1016), Qt::LeftButton);
    EXPECT_EQ(2u, xy.writes.size());
    Find<QPushButton>(dlg, 8)->click();
    EXPECT_FALSE(dlg.isVisible());
}

class ZsyncDialog : public StageFixture {};

TEST_F(ZsyncDialog, EveryRadioClickIsReadAtOnce) {
    settings.zsync = 9;
    CDlgZsync dlg{settings};
    dlg.show();
    EXPECT_TRUE(Find<QRadioButton>(dlg, 1205)->isChecked());
    const int ids[] = {1195, 1196, 1197, 1198, 1199, 1200, 1202, 1203, 1204, 1205};
    for (int value = 0; value < 10; ++value) {
        ClickRadio(Find<QRadioButton>(dlg, ids[value]));
        EXPECT_EQ(value, settings.zsync);
    }
    EXPECT_EQ(QString::fromUtf8("USBリレー　２号機のNo.３の OFFに同期"),
              Find<QRadioButton>(dlg, 1202)->text());
    ClickRadio(Find<QRadioButton>(dlg, 1197));
    Find<QPushButton>(dlg, 1)->click();
    EXPECT_EQ(2, settings.zsync);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ZsyncDialog, ShowingReflectsTheSettingAndAnUnknownValueChecksNothing) {
    CDlgZsync dlg{settings};
    settings.zsync = 8;
    dlg.show();
    EXPECT_TRUE(Find<QRadioButton>(dlg, 1204)->isChecked());
    dlg.hide();
    settings.zsync = 77;
    dlg.show();
    for (QRadioButton* r : dlg.findChildren<QRadioButton*>())
        EXPECT_FALSE(r->isChecked());
    dlg.ReadRadios();
    EXPECT_EQ(77, settings.zsync);
}

}  // namespace
}  // namespace tesmira
