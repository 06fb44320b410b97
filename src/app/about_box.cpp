#include "app/about_box.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "platform/dialog_frame.h"

namespace brine {

TAboutBox* AboutBox = nullptr;

namespace {

// A wave over a sea-blue square.
QPixmap programIcon() {
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x5f, 0x9f));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(1, 1, 30, 30, 4, 4);
    QPainterPath wave;
    wave.moveTo(4, 18);
    wave.cubicTo(10, 6, 14, 6, 16, 16);
    wave.cubicTo(18, 26, 22, 26, 28, 14);
    p.setPen(QPen(Qt::white, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    return pix;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle(QStringLiteral("Brinelog4のﾊﾞｰｼﾞｮﾝ情報"));
    SetFixedDialogFrame(*this, 376, 275);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setGeometry(8, 8, 360, 222);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setGeometry(8, 8, 32, 32);
    ProgramIcon->setPixmap(programIcon());

    ProductName = new QLabel(QStringLiteral("Brinelog4"), Panel1);
    ProductName->setObjectName("ProductName");
    QFont productFont(QStringLiteral("Times New Roman"));
    productFont.setPixelSize(35);
    productFont.setBold(true);
    ProductName->setFont(productFont);
    ProductName->setGeometry(56, 4, 290, 44);

    Version = new QLabel(QStringLiteral("Version 4.6.5"), Panel1);
    Version->setObjectName("Version");
    QFont versionFont = Version->font();
    versionFont.setPixelSize(24);
    versionFont.setBold(true);
    Version->setFont(versionFont);
    Version->setGeometry(56, 52, 290, 32);

    Comments1 = new QLabel(
        QStringLiteral("沿岸・海洋の観測機器やデータベースのファイルを、バースト単位の時系列ファイル（SDF／TSD）に変換します。"),
        Panel1);
    Comments1->setObjectName("Comments1");
    Comments1->setWordWrap(true);
    Comments1->setGeometry(8, 96, 344, 56);

    Comments2 = new QLabel(
        QStringLiteral("時系列ファイルのヘッダとチャンネル表を表示・編集し、データの抽出、併合、連結を行います。"), Panel1);
    Comments2->setObjectName("Comments2");
    Comments2->setWordWrap(true);
    Comments2->setGeometry(8, 156, 344, 56);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(150, 240, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* e) {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = s->geometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    QDialog::showEvent(e);
}

}  // namespace brine
