#include "app/about_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace tesmira {

CAboutDlg::CAboutDlg(const QString& version, QWidget* parent) : QDialog(parent) {
    setProperty("id", 100);
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(tr("Tesmiraのﾊﾞｰｼﾞｮﾝ情報"));
    // 236 x 101 dialog units at 1.5 / 1.625 pixels per unit.
    setMinimumSize(354, 164);

    auto* icon = new QLabel(this);
    icon->setProperty("id", 130);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/tesmira/tesmira.png")));

    auto* text = new QLabel(version, this);
    text->setProperty("id", 1012);
    text->setObjectName(QStringLiteral("aboutVersion"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setProperty("id", 1);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(text, 0, 1);
    layout->addWidget(buttons, 1, 0, 1, 2);
}

}  // namespace tesmira
