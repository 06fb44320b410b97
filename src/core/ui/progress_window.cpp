#include "core/ui/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "base/texts.h"
#include "platform/dialog_frame.h"
#include "platform/modal.h"
#include "platform/qt_text.h"

namespace brine {

TFrmProgress* FrmProgress = nullptr;

namespace {
constexpr int kCommentHeight = 32;  // two lines
}  // namespace

TFrmProgress::TFrmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName("FrmProgress");
    SetFixedDialogFrame(*this, 285, 124);

    LblComment = new QLabel(this);
    LblComment->setObjectName("LblComment");
    LblComment->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LblComment->setWordWrap(true);
    LblComment->setTextFormat(Qt::PlainText);  // a file name with "<" is no markup

    BitBtn1 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    LblPercent = new QLabel(this);
    LblPercent->setObjectName("LblPercent");
    LblPercent->setAlignment(Qt::AlignCenter);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    LblPercent->setFont(f);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);

    layOut(kCommentHeight);
}

void TFrmProgress::layOut(int commentHeight) {
    const int grown = commentHeight - kCommentHeight;
    LblComment->setGeometry(8, 6, 269, commentHeight);
    BitBtn1->setGeometry(100, 42 + grown, 85, 25);
    LblPercent->setGeometry(8, 72 + grown, 269, 20);
    ProgressBar1->setGeometry(0, 106 + grown, 285, 18);
    setFixedSize(285, 124 + grown);
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
    // A Start within a job keeps the hold the job has. Closing a window the
    // job holds asks it to stop, as the button does.
    ++depth_;
    if (!hold_) hold_ = std::make_unique<InputHold>(this, [this] { BitBtn1Click(); });
    TakeInput(*this);
    show();
    raise();
    activateWindow();  // Escape cancels while the window has the keys
    PumpMessages(true);
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

void TFrmProgress::Hide() {
    hide();
    if (depth_ > 0) --depth_;
    if (depth_ == 0) hold_.reset();
}

bool TFrmProgress::keepWaiting(const std::filesystem::path& target, double seconds) {
    // A wait of a moment goes unseen.
    if (seconds < 0.3) return true;
    if (!waiting_) {
        waiting_ = true;
        waitGivenUp_ = false;
        ownWindow_ = !Running();
        if (ownWindow_) {
            Start(Text(Tx::WriterWaitCaption), true);
        } else {
            keptComment_ = LblComment->text();
            keptCancellable_ = cancellable_;
            keptVisible_ = isVisible();  // hidden by a cancel of the job
            cancellable_ = true;
            BitBtn1->setEnabled(true);
            show();
        }
        // The waiting text alone fills the comment's two lines: the comment
        // grows to show the file with its folder whole, a name wider than a
        // line wrapped anywhere.
        std::error_code error;
        const std::filesystem::path file = std::filesystem::absolute(target, error);
        const QString text = FromUtf8(Text(Tx::WriterWaiting) + "\n" + (error ? target : file).string());
        LblComment->setText(WrapLongRuns(text, LblComment->font(), LblComment->contentsRect().width()));
        layOut(std::max(kCommentHeight, LblComment->heightForWidth(LblComment->width())));
    }
    PumpMessages();
    return !waitGivenUp_;
}

void TFrmProgress::waitEnded() {
    if (!waiting_) return;
    waiting_ = false;
    layOut(kCommentHeight);
    if (ownWindow_) {
        Hide();
        return;
    }
    LblComment->setText(keptComment_);
    cancellable_ = keptCancellable_;
    BitBtn1->setEnabled(cancellable_);
    if (!keptVisible_) hide();
}

void TFrmProgress::BitBtn1Click() {
    if (!cancellable_) return;
    if (waiting_) waitGivenUp_ = true;
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
