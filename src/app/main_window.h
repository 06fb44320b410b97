#pragma once
// The main window. It holds the menu; every command opens a dialog.
#include <QMainWindow>

namespace brine {

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
};

extern TForm1* Form1;

}  // namespace brine
