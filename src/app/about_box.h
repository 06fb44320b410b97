#pragma once
// The version dialog, also shown once as a splash at start-up.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace brine {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Comments1;
    QLabel* Comments2;
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* e) override;
};

extern TAboutBox* AboutBox;

}  // namespace brine
