#include "importers/pressure_box.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/modal.h"

namespace brine {

TFrmInputBox* FrmInputBox = nullptr;

TFrmInputBox::TFrmInputBox(QWidget* parent) : QDialog(parent) {
    setObjectName("FrmInputBox");
    SetFixedDialogFrame(*this, 240, 96);

    EditValueLabel = new QLabel(QStringLiteral("P (bar) ="), this);
    EditValueLabel->setObjectName("EditValueLabel");
    EditValueLabel->setGeometry(12, 16, 80, 21);
    EditValueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    EditValue = new QLineEdit(this);
    EditValue->setObjectName("EditValue");
    EditValue->setGeometry(96, 16, 128, 21);
    EditValueLabel->setBuddy(EditValue);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(40, 56, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { accept(); });

    BitBtn1 = new QPushButton(QStringLiteral("ヘルプ(&H)"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(128, 56, 75, 25);
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

bool TFrmInputBox::InputValue(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                              std::string& value) {
    setWindowTitle(QString::fromStdString(caption));
    EditValueLabel->setText(QString::fromStdString(prompt));
    EditValue->setText(QString::fromStdString(defaultText));
    EditValue->selectAll();
    EditValue->setFocus();
    if (ShowModal(*this) != QDialog::Accepted) return false;
    value = EditValue->text().toStdString();
    return true;
}

void TFrmInputBox::BitBtn1Click() {
    Guarded([this] {
        if (helpTopic) helpTopic("PracticalSalinity.htm");
    });
}

}  // namespace brine
