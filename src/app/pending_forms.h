#pragma once
// Dialogs whose own work is not built yet: each exists as an empty hidden
// form of its class and global, so the start-up order and every reference
// through the global hold. A real dialog replaces its class here one by one.
#include <QDialog>

namespace brine {

class TFrmDateYearTable : public QDialog {
    Q_OBJECT
public:
    explicit TFrmDateYearTable(QWidget* parent = nullptr);
};
extern TFrmDateYearTable* FrmDateYearTable;


class TFrmNortek : public QDialog {
    Q_OBJECT
public:
    explicit TFrmNortek(QWidget* parent = nullptr);
};
extern TFrmNortek* FrmNortek;

}  // namespace brine
