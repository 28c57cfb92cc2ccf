#include "live_rig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "app/main_frame.h"
#include "capture/capture_owner.h"
#include "core/panel_messages.h"
#include "core/profile.h"
#include "core/run_state.h"
#include "dialogs/count_down_panel.h"
#include "media/capture_graph.h"
#include "media/device_catalog.h"
#include "panel/dlg_main.h"
#include "recording/recording_log.h"

namespace tesmira::test {

std::vector<std::string> NamesIn(const std::string& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

namespace {

// The workstation lives for the whole suite, each test's recorder only for that test.
class ToRunningTest : public INotifier {
public:
    void Notify(const std::string& text, MessageIcon icon) override {
        if (recorder)
            recorder->Notify(text, icon);
        else
            std::fprintf(stderr, "[message outside a test] %s\n", text.c_str());
    }
    MessageRecorder* recorder = nullptr;
};

ToRunningTest g_messages;

std::string TodayPrefix() {
    const std::time_t t = std::time(nullptr);
    std::tm now{};
    localtime_r(&t, &now);
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "%02d_%02d_%02d-", now.tm_year - 100, now.tm_mon + 1,
                  now.tm_mday);
    return prefix;
}

}  // namespace

// ---- message pane ---------------------------------------------------------------------------

PaneTexts::PaneTexts(CTesmiraDoc& doc) : doc_(doc) {
    doc_.AddView(this);
}

PaneTexts::~PaneTexts() {
    doc_.RemoveView(this);
}

void PaneTexts::OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload& payload) {
    if (hint == UpdateHint::kAppendGreen)
        if (const auto* text = std::get_if<std::string>(&payload))
            texts_.push_back(*text);
}

size_t PaneTexts::Summaries() const {
    return std::count_if(texts_.begin(), texts_.end(),
                         [](const std::string& t) { return t.rfind("Movie No.", 0) == 0; });
}

int PaneTexts::DeliveredOf(size_t n) const {
    return CountOf(n, "取得：");
}

int PaneTexts::DroppedOf(size_t n) const {
    return CountOf(n, "駒落：");
}

int PaneTexts::CountOf(size_t n, const std::string& key) const {
    size_t seen = 0;
    for (const std::string& t : texts_) {
        if (t.rfind("Movie No.", 0) != 0)
            continue;
        if (seen++ != n)
            continue;
        const size_t at = t.find(key);
        return at == std::string::npos ? -1 : std::atoi(t.c_str() + at + key.size());
    }
    return -1;
}

std::string PaneTexts::All() const {
    std::string out;
    for (const std::string& t : texts_)
        out += t;
    return out;
}

// ---- the rig --------------------------------------------------------------------------------

Workstation* LiveRig::workstation = nullptr;
CMainFrame* LiveRig::frame = nullptr;
CDlgMain* LiveRig::panel = nullptr;
CDlgCountDown* LiveRig::countDown = nullptr;
bool LiveRig::cameraUp = false;

void LiveRig::SetUpTestSuite() {
    // The catalogue reads this when it is first asked, so before anything builds a graph.
    setenv("TESMIRA_TEST_DEVICES", "1", 1);
    unsetenv("TESMIRA_TEST_CAMERA_CAPS");
    WorkstationSeams seams;
    seams.notifier = &g_messages;
    seams.deviceHost = TESMIRA_DEVHOST_PATH;
    workstation = new Workstation(std::move(seams));
    Settings& s = workstation->Config();
    // No serial devices: the ports stay closed and the stage queries go nowhere.
    s.port1.clear();
    s.port2.clear();
    s.port3.clear();
    s.port4.clear();
    s.camera = kTestCameraName;
    s.audio.clear();
    s.datePrefix = TodayPrefix();
    s.recMode = 0;

    frame = new CMainFrame(workstation->ForFrame(), QStringLiteral("Tesmira test"));
    // A profile in memory: the counters written as they move go nowhere near the user's file.
    static MemoryProfile profile;
    workstation->WireRooms(*frame, profile);
    panel = frame->controlPanel();
    countDown = frame->countDownPanel();
    workstation->StartRooms();
    frame->show();
    cameraUp = workstation->Capture().CameraReady();
}

void LiveRig::TearDownTestSuite() {
    workstation->ShutdownRooms();
    // The frame is built on the workstation: it goes first, as in the program.
    delete frame;
    frame = nullptr;
    panel = nullptr;
    countDown = nullptr;
    delete workstation;
    workstation = nullptr;
}

void LiveRig::SetUp() {
    g_messages.recorder = &messages;
    ASSERT_TRUE(panel && countDown);
    if (!cameraUp)
        GTEST_SKIP() << "the test camera could not be built (GStreamer videotestsrc missing?)";
    ASSERT_TRUE(tmp.isValid());
    const std::string root = tmp.path().toStdString();
    videoDir = root + "/Video/";
    logDir = root + "/Log/";
    workDir = root + "/work/";
    for (const auto& d : {videoDir, logDir, workDir})
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(d)));

    Settings& s = Config();
    s.dirVideo = videoDir;
    s.dirLog = logDir;
    s.tempDrive = workDir;
    s.useTempDrive = 0;
    s.saveLog = 0;
    s.recNo = 1;
    s.mediaType = 0;
    s.recAudio = false;
    s.resetFps = false;
    s.fpsAviReplay = 0;
    s.replayFps = 29.97;
    s.recMode = 0;
    s.recRepaet = 1;
    s.recInterval = 2500;
    s.repeatPauseSec = 0;
    s.setZoom1xOnRec = true;
    SetLimitMs(1000);
    panel->UpdateData(false);  // the panel shows what the test set

    if (!Run().isLive)
        Click(1023);
    ASSERT_TRUE(Run().isLive);
    CCaptureGraph* graph = workstation->Capture().Graph();
    ASSERT_NE(graph, nullptr);
    const uint64_t before = graph->PreviewFramesDelivered();
    ASSERT_TRUE(WaitFor([&] { return graph->PreviewFramesDelivered() > before; }, 5000))
        << "live video shows no frames";
}

void LiveRig::TearDown() {
    if (!panel) {
        g_messages.recorder = nullptr;
        return;
    }
    const RunState& run = Run();
    if (run.isRecording || run.isRepeating) {
        if (QAbstractButton* stop = Button(1020))
            stop->click();
        WaitFor([&] { return !run.isRecording && !run.isRepeating; }, 5000);
    }
    for (const RecordedMessage& m : messages.messages)
        ADD_FAILURE() << "unexpected message box: " << m.text;
    g_messages.recorder = nullptr;
}

bool LiveRig::WaitFor(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!cond()) {
        if (clock.elapsed() > timeoutMs)
            return cond();
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void LiveRig::Pause(int ms) {
    WaitFor([] { return false; }, ms);
}

void LiveRig::PressSpace() {
    panel->activateWindow();
    panel->setFocus(Qt::OtherFocusReason);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && (focus == panel || panel->isAncestorOf(focus)) ? focus : panel,
                    Qt::Key_Space);
}

QAbstractButton* LiveRig::Button(int id) const {
    return qobject_cast<QAbstractButton*>(panel->Control(id));
}

void LiveRig::Click(int id) {
    QAbstractButton* b = Button(id);
    ASSERT_NE(b, nullptr) << id;
    ASSERT_TRUE(b->isEnabled()) << "button " << id << " is disabled";
    b->click();
}

void LiveRig::SetLimitMs(int64_t ms) {
    Config().rtStop = ms * 10000;
    Config().recLimitMs = Config().rtStop / 10000 + 100;
}

void LiveRig::RecordUntilLimit(int timeoutMs) {
    const RunState& run = Run();
    Click(1022);
    ASSERT_TRUE(run.isRecording) << "recording did not start";
    ASSERT_TRUE(WaitFor([&] { return !run.isRecording; }, timeoutMs))
        << "the limit did not end the recording";
}

std::vector<std::string> LiveRig::VideoFiles() const {
    return NamesIn(videoDir);
}

std::vector<std::string> LiveRig::WorkFiles() const {
    return NamesIn(Config().tempDrive);
}

std::string LiveRig::Expected(int n, const char* rate) const {
    char name[64];
    std::snprintf(name, sizeof name, "%03d_Rec_at_%sfps.avi", n, rate);
    return Config().datePrefix + name;
}

}  // namespace tesmira::test
