#include "dialogs/count_down_panel.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/log.h"
#include "core/tesmira_doc.h"

namespace tesmira {

CDlgCountDown::CDlgCountDown(CTesmiraDoc& doc, QWidget* parent) : QDialog(parent) {
    setProperty("id", 139);
    setObjectName(QStringLiteral("countDownPanel"));
    setWindowTitle(tr("残り時間"));
    setModal(false);

    progress_ = new QProgressBar(this);
    progress_->setProperty("id", 1090);
    progress_->setObjectName(QStringLiteral("countDownProgress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    display_ = new QLabel(QStringLiteral("00:00"), this);
    display_->setProperty("id", 1091);
    display_->setObjectName(QStringLiteral("countDownText"));
    display_->setAlignment(Qt::AlignCenter);
    // 48 points bold; the Japanese UI face when present, else the system's CJK face.
    QFont font;
    font.setFamilies({QString::fromUtf8("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans Mono CJK JP")});
    font.setPointSize(48);
    font.setWeight(QFont::Bold);
    display_->setFont(font);

    stop_ = new QPushButton(tr("ストップ"), this);
    stop_->setProperty("id", 1089);
    stop_->setObjectName(QStringLiteral("countDownStop"));
    stop_->setDefault(true);
    connect(stop_, &QPushButton::clicked, this,
            [&doc] { doc.UpdateAllViews(nullptr, UpdateHint::kStopActivity); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progress_);
    layout->addWidget(display_, 1);
    layout->addWidget(stop_, 0, Qt::AlignHCenter);
}

void CDlgCountDown::SetTotal(int seconds) {
    model_.SetTotal(seconds);
    // What each count-down starts from and (below) its title, for following a run from outside.
    qCDebug(lcDialogs, "count-down total %d s", seconds);
    Show();
}

void CDlgCountDown::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange)
        qCDebug(lcDialogs).noquote() << "count-down title" << windowTitle();
    QDialog::changeEvent(event);
}

void CDlgCountDown::SetRemaining(int seconds) {
    model_.SetRemaining(seconds);
    Show();
}

void CDlgCountDown::Show() {
    // The bar cannot draw a share outside 0..100 (a remaining time above the total): pin it.
    progress_->setValue(std::clamp(model_.percent(), 0, 100));
    display_->setText(QString::fromStdString(model_.text()));
}

}  // namespace tesmira
