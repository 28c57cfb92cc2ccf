#include "dialogs/avi_rate_dialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>

#include "core/dialog_texts.h"
#include "core/notifier.h"
#include "core/settings.h"

namespace tesmira {
namespace {

constexpr int kFirstRadio = 1186;
constexpr double kMinCustom = 0.001;
constexpr double kMaxCustom = 10000.0;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

void SetId(QObject* o, int id, const char* name) {
    o->setProperty("id", id);
    o->setObjectName(QString::fromLatin1(name));
}

}  // namespace

std::string AviRateSummaryText(const AviRateInfo& info) {
    char buf[256];
    const std::string format =
        QCoreApplication::translate(
            "Dialogs",
            " 再生コマ速度\n   %8.2lf fps (header)\n  %8.2lf fps (stream)\n\n 総コマ数\n   %d "
            "frames")
            .toStdString();
    std::snprintf(buf, sizeof buf, format.c_str(), info.headerRate, info.streamRate,
                  int(info.frameCount));
    return buf;
}

double ChosenReplayRate(int radioIndex, double customRate) {
    return radioIndex == 4 ? customRate : ReplayRateOfIndex(radioIndex);
}

CDlgAviRate::CDlgAviRate(const std::string& path, const AviRateInfo& info, Settings& settings,
                         INotifier& notifier, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      notifier_(notifier),
      radios_(new QButtonGroup(this)),
      custom_(new QLineEdit(this)) {
    SetId(this, 140, "aviRateDialog");
    setWindowTitle(tr("再生コマ速度書き換え"));
    auto* layout = new QVBoxLayout(this);
    auto* pathLabel = new QLabel(QString::fromStdString(path), this);
    SetId(pathLabel, 1191, "aviPath");
    pathLabel->setWordWrap(true);
    layout->addWidget(pathLabel);
    auto* summary = new QLabel(QString::fromStdString(AviRateSummaryText(info)), this);
    SetId(summary, 1185, "aviRates");
    layout->addWidget(summary);

    const char* captions[] = {"29.97 (60i Color)", "30.0  (60i Mono)", "59.94 (60p Color)",
                              "60.0  (60p Mono)",
                              QT_TRANSLATE_NOOP("tesmira::CDlgAviRate", "カスタム")};
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(tr(captions[i]), this);
        SetId(radio, kFirstRadio + i, "rateRadio");
        radios_->addButton(radio, i);
        if (i < 4) {
            layout->addWidget(radio);
        } else {
            auto* row = new QHBoxLayout;
            row->addWidget(radio);
            row->addWidget(custom_);
            layout->addLayout(row);
        }
    }
    SetId(custom_, 1192, "customRate");
    const Settings& s = settings_;
    const int index = s.nRadioFps >= 0 && s.nRadioFps <= 4 ? s.nRadioFps : 0;
    radios_->button(index)->setChecked(true);
    custom_->setText(QString::number(s.editFps, 'g', 10));
    connect(radios_, &QButtonGroup::idClicked, this, [this] { UpdateCustomEnabled(); });
    UpdateCustomEnabled();

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(tr("書き換え"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(CancelCaption(), QDialogButtonBox::RejectRole);
    SetId(ok, 1, "rewriteButton");
    SetId(cancel, 2, "cancelButton");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgAviRate::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CDlgAviRate::UpdateCustomEnabled() {
    custom_->setEnabled(radios_->checkedId() == 4);
}

void CDlgAviRate::accept() {
    const int index = radios_->checkedId();
    bool ok = false;
    const double custom = custom_->text().trimmed().toDouble(&ok);
    if (!ok || custom < kMinCustom || custom > kMaxCustom) {
        // The custom value is checked whenever it is stored, as the data exchange does.
        notifier_.Notify(tr("0.001 から 10000 までの数値を入力してください。").toStdString(),
                         MessageIcon::Exclamation);
        custom_->setFocus();
        return;
    }
    settings_.nRadioFps = index;
    settings_.editFps = custom;
    chosen_ = ChosenReplayRate(index, custom);
    QDialog::accept();
}

void OnRewriteAviFrameRate(Settings& settings, INotifier& notifier, QWidget* parent) {
    QFileDialog chooser(parent, QCoreApplication::translate("Dialogs", "AVI ファイルの選択"),
                        QString::fromStdString(settings.dirVideo), U("AVI files(*.avi)"));
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setLabelText(QFileDialog::Accept, QCoreApplication::translate("Dialogs", "選択"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const std::string path = chooser.selectedFiles().first().toStdString();

    AviRateInfo info;
    if (!InspectAviRate(path, &info)) {
        notifier.Notify("File is not valid! Select an appropriate avi file.",
                        MessageIcon::Exclamation);
        return;
    }
    CDlgAviRate dialog(path, info, settings, notifier, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    std::string error;
    const AviRewriteResult result = RewriteAviRate(path, dialog.ChosenRate(), &error);
    if (result == AviRewriteResult::NotAvi) {
        notifier.Notify("File is not valid! Select an appropriate avi file.",
                        MessageIcon::Exclamation);
    } else if (result == AviRewriteResult::OpenFailed || result == AviRewriteResult::WriteFailed) {
        notifier.Notify(
            QCoreApplication::translate("Dialogs", "コマ速度を書き換えることが出来ませんでした。\n")
                    .toStdString() +
                path + "\n" + error + "\n",
            MessageIcon::Exclamation);
    }
}

}  // namespace tesmira
