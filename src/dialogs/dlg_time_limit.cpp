#include "dialogs/dlg_time_limit.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/dialog_texts.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"

namespace tesmira {
namespace {

enum Field { kLengthMin, kLengthSec, kIntervalMin, kIntervalSec, kCountField };
constexpr int kIds[5] = {1025, 1026, 1027, 1028, 57640};
constexpr const char* kNames[5] = {"lengthMinutesEdit", "lengthSecondsEdit", "intervalMinutesEdit",
                                   "intervalSecondsEdit", "countEdit"};
constexpr Range64 kRanges[5] = {kLengthMinutes, kSeconds, kIntervalMinutes, kSeconds, kCount};

int* FieldValue(TimeLimitFields& f, int i) {
    int* values[5] = {&f.lengthMin, &f.lengthSec, &f.intervalMin, &f.intervalSec, &f.count};
    return values[i];
}

}  // namespace

bool TimeLimitDialogEnabled(const RunState& run) {
    return !run.isRecording;
}

CDlgTimeLimit::CDlgTimeLimit(TimeLimitDeps deps, QWidget* parent)
    : QDialog(parent), deps_(std::move(deps)) {
    setProperty("id", 136);
    setObjectName("timeLimitDialog");
    setWindowTitle(tr("キャプチャー制限時間"));
    for (int i = 0; i < 5; ++i) {
        edits_[i] = new QLineEdit(this);
        edits_[i]->setProperty("id", kIds[i]);
        edits_[i]->setObjectName(kNames[i]);
        edits_[i]->setAlignment(Qt::AlignRight);
        edits_[i]->setMaximumWidth(90);
        edits_[i]->installEventFilter(this);
    }
    auto minSecRow = [this](QGroupBox* box, QLineEdit* minutes, QLineEdit* seconds) {
        auto* row = new QHBoxLayout;
        row->addWidget(minutes);
        row->addWidget(new QLabel(tr("分"), box));
        row->addWidget(seconds);
        row->addWidget(new QLabel(tr("秒"), box));
        row->addStretch();
        return row;
    };
    auto* length = new QGroupBox(tr("録画時間"), this);
    auto* lengthLayout = new QVBoxLayout(length);
    lengthLayout->addLayout(minSecRow(length, edits_[kLengthMin], edits_[kLengthSec]));

    auto* repeat = new QGroupBox(tr("繰り返し録画"), this);
    auto* repeatLayout = new QVBoxLayout(repeat);
    repeatLayout->addWidget(new QLabel(tr("間隔（録画開始から次の録画開始まで）"), repeat));
    repeatLayout->addLayout(minSecRow(repeat, edits_[kIntervalMin], edits_[kIntervalSec]));
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(edits_[kCountField]);
    countRow->addWidget(new QLabel(tr("回"), repeat));
    countRow->addStretch();
    repeatLayout->addLayout(countRow);

    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton(CancelCaption(), this);
    ok->setProperty("id", 1);
    ok->setObjectName("okButton");
    cancel->setProperty("id", 2);
    cancel->setObjectName("cancelButton");
    // Enter normalises the fields instead of pressing a button.
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CDlgTimeLimit::accept);
    connect(cancel, &QPushButton::clicked, this, &CDlgTimeLimit::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(length);
    layout->addWidget(repeat);
    layout->addLayout(buttons);

    fields_ = Normalise(FieldsFromSettings(deps_.settings));
    ShowValues();
}

QWidget* CDlgTimeLimit::Control(int id) const {
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("id").toInt() == id)
            return w;
    }
    return nullptr;
}

bool CDlgTimeLimit::ReadControls() {
    TimeLimitFields read = fields_;
    for (int i = 0; i < 5; ++i) {
        const std::optional<int64_t> value =
            ParseWhole(edits_[i]->text().toStdString(), kRanges[i]);
        if (!value) {
            reading_ = true;
            deps_.notifier.Notify(WholeRangeMessage(kRanges[i]), MessageIcon::Exclamation);
            edits_[i]->setFocus();
            edits_[i]->selectAll();
            reading_ = false;
            return false;
        }
        *FieldValue(read, i) = static_cast<int>(*value);  // every range fits an int
    }
    fields_ = read;
    return true;
}

void CDlgTimeLimit::ShowValues() {
    for (int i = 0; i < 5; ++i)
        edits_[i]->setText(QString::number(*FieldValue(fields_, i)));
}

bool CDlgTimeLimit::NormaliseFields() {
    if (!ReadControls())
        return false;
    fields_ = Normalise(fields_);
    ShowValues();
    return true;
}

void CDlgTimeLimit::accept() {
    if (!NormaliseFields())
        return;
    ApplyTimeLimit(deps_.settings, fields_);
    if (deps_.handOver)
        deps_.handOver(deps_.settings.recInterval, deps_.settings.rtStop);
    QDialog::accept();
}

void CDlgTimeLimit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        NormaliseFields();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CDlgTimeLimit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !reading_ && !closing_) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another window or a pop-up menu is not leaving the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const bool lengthField = watched == edits_[kLengthMin] || watched == edits_[kLengthSec];
            if (lengthField) {
                ReadControls();
            } else if (std::find(edits_.begin(), edits_.end(), watched) != edits_.end()) {
                NormaliseFields();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgTimeLimit::done(int result) {
    closing_ = true;
    QDialog::done(result);
    closing_ = false;
}

int ShowTimeLimitDialog(TimeLimitDeps deps, QWidget* parent) {
    CDlgTimeLimit dialog(std::move(deps), parent);
    return dialog.exec();
}

}  // namespace tesmira
