#include "dialogs/dlg_command_send.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>

#include "core/controller_kinds.h"
#include "core/settings.h"
#include "serial/port_assignment.h"
#include "serial/serial_slots.h"
#include "stage/command_line.h"

namespace tesmira {
namespace {

template <typename W>
W* Tag(W* w, int id, const char* name) {
    w->setProperty("id", id);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

bool IsEnter(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

constexpr int kAnswerLinesKept = 200;
constexpr size_t kAnswerLineMax = 512;  // a babbling device does not fill the screen

QPlainTextEdit* AnswerPane(int id, const char* name, const QString& hint) {
    auto* pane = Tag(new QPlainTextEdit, id, name);
    pane->setReadOnly(true);
    pane->setMaximumBlockCount(kAnswerLinesKept);
    pane->setPlaceholderText(hint);
    pane->setFixedHeight(pane->fontMetrics().lineSpacing() * 3 + 12);
    return pane;
}

// A device's bytes as text to look at: printable ASCII as it is, everything else as \xNN, split
// into lines at its line ends.
QStringList ReadableLines(const std::string& reply) {
    QStringList lines;
    std::string line;
    auto flush = [&] {
        if (!line.empty())
            lines << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
        line.clear();
    };
    for (unsigned char c : reply) {
        if (c == '\r' || c == '\n') {
            flush();
        } else if (line.size() < kAnswerLineMax) {
            if (c >= 0x20 && c < 0x7f) {
                line += static_cast<char>(c);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                line += hex;
            }
        }
    }
    flush();
    return lines;
}

}  // namespace

CDlgCommandSend::CDlgCommandSend(SerialSlots& slots, const Settings& settings, QWidget* parent)
    : QDialog(parent), slots_(slots), settings_(settings) {
    setProperty("id", 133);
    setObjectName(QStringLiteral("commandSendDialog"));
    setWindowTitle(tr("コマンド送信"));

    auto* help = new QLabel(
        tr("コマンド例　半角英数字　複数コマンドを一度に送るときはセミコロンで区切る。\n") +
        QString::fromUtf8("M:W+P500-P200\nG\n↓\nM:W+P500-P200;G"));
    help->setObjectName(QStringLiteral("helpText"));
    line1_ = Tag(new QLineEdit, 1017, "line1Edit");
    line2_ = Tag(new QLineEdit, 1018, "line2Edit");
    // Raw command lines are not limited to the edit's usual 32767 characters.
    for (QLineEdit* line : {line1_, line2_})
        line->setMaxLength(1 << 20);
    label1_ = Tag(new QLabel, 1035, "port1Label");
    label2_ = Tag(new QLabel, 1036, "port2Label");
    send1_ = Tag(new QPushButton(tr("送信")), 1016, "sendLine1Button");
    send2_ = Tag(new QPushButton(tr("送信")), 1019, "sendLine2Button");
    auto* close = Tag(new QPushButton(tr("閉じる")), 8, "closeButton");
    // No resource id: the answers are this program's addition to the dialog.
    answer1_ = AnswerPane(-1, "answer1", tr("コントローラーの応答"));
    answer2_ = AnswerPane(-1, "answer2", tr("コントローラーの応答"));
    // Enter is the dialog's own key (it sends a line); no button may take it as default.
    for (QPushButton* b : {send1_, send2_, close}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* grid = new QGridLayout(this);
    grid->addWidget(help, 0, 0, 1, 2);
    grid->addWidget(label1_, 1, 0, 1, 2);
    grid->addWidget(line1_, 2, 0);
    grid->addWidget(send1_, 2, 1);
    grid->addWidget(answer1_, 3, 0);
    grid->addWidget(label2_, 4, 0, 1, 2);
    grid->addWidget(line2_, 5, 0);
    grid->addWidget(send2_, 5, 1);
    grid->addWidget(answer2_, 6, 0);
    grid->addWidget(close, 7, 1);
    grid->setColumnStretch(0, 1);

    connect(send1_, &QPushButton::clicked, this, [this] { SendLine(1); });
    connect(send2_, &QPushButton::clicked, this, [this] { SendLine(2); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    SetLabel1(QString());
    SetLabel2(QString());
}

void CDlgCommandSend::SetLabel1(const QString& text) {
    label1_->setText(text);
    send1_->setEnabled(!text.isEmpty());
}

void CDlgCommandSend::SetLabel2(const QString& text) {
    label2_->setText(text);
    send2_->setEnabled(!text.isEmpty() && !settings_.useOnePort);
}

void CDlgCommandSend::RefreshPortLabels() {
    SetLabel1(QString::fromStdString(CommandSendPortLabel(slots_, settings_, 1)));
    SetLabel2(QString::fromStdString(CommandSendPortLabel(slots_, settings_, 2)));
}

void CDlgCommandSend::ShowAndRefresh() {
    show();
    raise();
    RefreshPortLabels();
}

void CDlgCommandSend::SendLine(int n) {
    if (n != 1 && n != 2)
        return;
    // Slot 2 even when the Z drive shares slot 1: line 2 names the port, not the drive.
    ISerialChannel& channel = slots_.Slot(n);
    if (!channel.IsOpen())
        return;
    const Settings& s = settings_;
    const std::string lineEnd = n == 1 ? XyLineEnd(s.xyAxisType) : ZLineEnd(s.zAxisType);
    const std::string line = (n == 1 ? line1_ : line2_)->text().toStdString();
    for (const std::string& piece : SplitCommandLine(line, lineEnd))
        channel.Write(piece);
}

void CDlgCommandSend::ShowAnswer(int n, const std::string& reply) {
    if (n != 1 && n != 2)
        return;
    QPlainTextEdit* pane = n == 1 ? answer1_ : answer2_;
    for (const QString& line : ReadableLines(reply))
        pane->appendPlainText(line);
}

bool CDlgCommandSend::HandleEnter(QKeyEvent* event) {
    if (!IsEnter(event))
        return false;
    if (line1HasFocus_) {
        SendLine(1);
    } else if (line2HasFocus_) {
        SendLine(2);
    }
    return true;  // consumed either way: Enter never closes the dialog
}

bool CDlgCommandSend::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusIn:
            if (watched == line1_)
                line1HasFocus_ = true;
            if (watched == line2_)
                line2HasFocus_ = true;
            break;
        case QEvent::FocusOut:
            if (watched == line1_)
                line1HasFocus_ = false;
            if (watched == line2_)
                line2HasFocus_ = false;
            break;
        case QEvent::KeyPress:
            if (HandleEnter(static_cast<QKeyEvent*>(event)))
                return true;
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgCommandSend::keyPressEvent(QKeyEvent* event) {
    if (HandleEnter(event))
        return;
    QDialog::keyPressEvent(event);
}

}  // namespace tesmira
