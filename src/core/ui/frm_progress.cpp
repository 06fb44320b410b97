#include "core/ui/frm_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "platform/dialog_frame.h"
#include "platform/modal.h"

namespace brine {

TFrmProgress* FrmProgress = nullptr;

TFrmProgress::TFrmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName("FrmProgress");
    SetFixedDialogFrame(*this, 285, 124);

    LblComment = new QLabel(this);
    LblComment->setObjectName("LblComment");
    LblComment->setGeometry(8, 6, 269, 32);
    LblComment->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LblComment->setWordWrap(true);

    BitBtn1 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(105, 42, 75, 25);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    LblPercent = new QLabel(this);
    LblPercent->setObjectName("LblPercent");
    LblPercent->setGeometry(8, 72, 269, 20);
    LblPercent->setAlignment(Qt::AlignCenter);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    LblPercent->setFont(f);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(0, 124 - 18, 285, 18);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
}

void TFrmProgress::Start(const std::string& title, bool cancellable) {
    setWindowTitle(QString::fromStdString(title));
    LblComment->clear();
    lastPercent_ = -1;
    SetPercent(0);
    cancelled_ = false;
    cancellable_ = cancellable;
    BitBtn1->setEnabled(cancellable);
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = s->geometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    holdInput();
    show();
    raise();
    PumpMessages(true);
}

void TFrmProgress::holdInput() {
    held_.clear();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) held_.emplace_back(w);
    if (!holding_) {
        qApp->installEventFilter(this);
        holding_ = true;
    }
}

void TFrmProgress::releaseInput() {
    if (holding_) {
        qApp->removeEventFilter(this);
        holding_ = false;
    }
    held_.clear();
}

void TFrmProgress::hideEvent(QHideEvent* e) {
    // Minimised by the window system, the job still runs: keep holding.
    if (!e->spontaneous()) releaseInput();
    QDialog::hideEvent(e);
}

bool TFrmProgress::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        break;
    case QEvent::Close:
        // Only requests from the window system; the program's own closes pass.
        if (!e->spontaneous()) return false;
        break;
    default:
        return false;
    }
    if (!watched->isWidgetType()) return false;
    QWidget* window = static_cast<QWidget*>(watched)->window();
    if (window == this) return false;
    // Windows opened during the job (its questions and messages) take input.
    bool held = false;
    for (const QPointer<QWidget>& w : held_)
        if (w == window) held = true;
    if (!held) return false;
    if (e->type() == QEvent::Close) {
        // Closing the main window asks the job to stop (its own close
        // handler does); the other windows stay until the job is over.
        if (parentWidget() && watched == parentWidget()->window()) return false;
        e->ignore();
        return true;
    }
    if (e->type() == QEvent::ShortcutOverride) e->accept();  // no shortcut fires either
    return true;
}

void TFrmProgress::SetPercent(int percent) {
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        LblPercent->setText(QString::number(percent) + QStringLiteral(" %"));
        ProgressBar1->setValue(std::clamp(percent, 0, 100));
    }
    PumpMessages();
}

void TFrmProgress::SetComment(const std::string& text) { LblComment->setText(QString::fromStdString(text)); }

void TFrmProgress::Hide() { hide(); }

void TFrmProgress::BitBtn1Click() {
    if (!cancellable_) return;
    cancelled_ = true;
    hide();
}

void TFrmProgress::closeEvent(QCloseEvent* e) {
    // The close box cancels like the button; a job that cannot stop keeps it.
    e->ignore();
    BitBtn1Click();
}

void TFrmProgress::reject() { BitBtn1Click(); }

}  // namespace brine
