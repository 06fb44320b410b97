#include "app/main_window.h"

namespace brine {

TForm1* Form1 = nullptr;

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Brinelog4"));
    resize(480, 120);
}

}  // namespace brine
