#include "dialogs/dlg_zsync.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/settings.h"

namespace tesmira {
namespace {

struct Radio {
    int id;
    const char* caption;
};

// In "Zsync" order 0..9 (control 1201 does not exist).
const Radio kRadios[] = {
    {1195, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　１号機のNo.１の OFFに同期")},
    {1196, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　１号機のNo.２の OFFに同期")},
    {1197, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　１号機のNo.３の OFFに同期")},
    {1198, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　１号機のNo.４の OFFに同期")},
    {1199, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　２号機のNo.１の OFFに同期")},
    {1200, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　２号機のNo.２の OFFに同期")},
    {1202, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　２号機のNo.３の OFFに同期")},
    {1203, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBリレー　２号機のNo.４の OFFに同期")},
    {1204, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "USBカメラの One Shot に同期（ﾀｲﾑﾗｯﾌﾟｽ）")},
    {1205, QT_TRANSLATE_NOOP("tesmira::CDlgZsync", "自動移動はしない。")},
};

}  // namespace

CDlgZsync::CDlgZsync(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), group_(new QButtonGroup(this)) {
    setProperty("id", 141);
    setObjectName(QStringLiteral("zsyncPanel"));
    setWindowTitle(tr("Z-軸移動 [↑] とカメラショットの同期"));

    auto* layout = new QVBoxLayout(this);
    int value = 0;
    for (const Radio& r : kRadios) {
        auto* radio = new QRadioButton(tr(r.caption));
        radio->setProperty("id", r.id);
        radio->setObjectName(QStringLiteral("zsyncRadio%1").arg(value));
        group_->addButton(radio, value++);
        layout->addWidget(radio);
    }
    auto* close = new QPushButton(tr("閉じる"));
    close->setProperty("id", 1);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAutoDefault(false);
    layout->addWidget(close, 0, Qt::AlignRight);

    connect(group_, &QButtonGroup::idClicked, this, [this](int) { ReadRadios(); });
    connect(close, &QPushButton::clicked, this, [this] {
        ReadRadios();
        hide();
    });
    WriteRadios();
}

void CDlgZsync::ReadRadios() {
    const int checked = group_->checkedId();
    if (checked >= 0)
        settings_.zsync = checked;
}

void CDlgZsync::WriteRadios() {
    QAbstractButton* button = group_->button(settings_.zsync);
    if (button) {
        button->setChecked(true);
        return;
    }
    // A value outside 0..9 shows no choice; exclusive groups need a detour to uncheck.
    group_->setExclusive(false);
    for (QAbstractButton* b : group_->buttons())
        b->setChecked(false);
    group_->setExclusive(true);
}

void CDlgZsync::showEvent(QShowEvent* event) {
    WriteRadios();
    QDialog::showEvent(event);
}

}  // namespace tesmira
