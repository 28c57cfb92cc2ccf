// The whole program, started as a user would: a termination signal closes it the normal way and
// the settings are written once, complete.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

namespace {

// True once the process has installed a handler for `signo` (SigCgt in /proc/<pid>/status).
bool Catches(qint64 pid, int signo) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith("SigCgt:"))
            continue;
        const qulonglong mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
        return (mask >> (signo - 1)) & 1;
    }
    return false;
}

class ProcessTest : public ::testing::TestWithParam<int> {};

TEST_P(ProcessTest, SignalClosesNormallyAndWritesEveryKey) {
    if (!QFile::exists(QStringLiteral(TESMIRA_BINARY_PATH)))
        GTEST_SKIP() << "tesmira not built";
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString home = tmp.path() + "/home";
    ASSERT_TRUE(QDir().mkpath(home + "/Tesmira/Video"));
    ASSERT_TRUE(QDir().mkpath(home + "/Tesmira/Log"));

    QProcess tesmira;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", tmp.path() + "/cfg");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    tesmira.setProcessEnvironment(env);
    tesmira.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tesmira.start(QStringLiteral(TESMIRA_BINARY_PATH), {});
    ASSERT_TRUE(tesmira.waitForStarted(10000));
    const int signo = GetParam();
    for (int i = 0; i < 400 && !Catches(tesmira.processId(), signo); ++i)
        QThread::msleep(25);
    ASSERT_TRUE(Catches(tesmira.processId(), signo));
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(tesmira.processId()), signo);
    if (!tesmira.waitForFinished(20000)) {
        tesmira.kill();
        tesmira.waitForFinished(5000);
        FAIL() << "tesmira did not close on signal " << signo;
    }
    EXPECT_EQ(tesmira.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tesmira.exitCode(), 0);

    QSettings conf(tmp.path() + "/cfg/CorvaneSoft/Tesmira.conf", QSettings::IniFormat);
    conf.beginGroup("Settings");
    EXPECT_EQ(conf.childKeys().size(), 142 + 5);  // the table and the five encoder-page keys
    EXPECT_EQ(conf.value("DirVideo").toString(), home + "/Tesmira/Video");
    EXPECT_EQ(conf.value("DirLog").toString(), home + "/Tesmira/Log");
    EXPECT_EQ(conf.value("TempDrive").toString(), QStringLiteral("/dev/shm/"));
    EXPECT_EQ(conf.value("RecInterval").toInt(), 600000);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProcessTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

}  // namespace
