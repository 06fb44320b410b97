#pragma once
// Dialogs whose own work is not built yet: each exists as an empty hidden
// form of its class and global, so the start-up order and every reference
// through the global hold. A real dialog replaces its class here one by one.
#include <QDialog>

namespace brine {

class TFrmWaveHunter : public QDialog {
    Q_OBJECT
public:
    explicit TFrmWaveHunter(QWidget* parent = nullptr);
};
extern TFrmWaveHunter* FrmWaveHunter;


class TFrmKyowaS : public QDialog {
    Q_OBJECT
public:
    explicit TFrmKyowaS(QWidget* parent = nullptr);
};
extern TFrmKyowaS* FrmKyowaS;

class TFrmCombineSDF : public QDialog {
    Q_OBJECT
public:
    explicit TFrmCombineSDF(QWidget* parent = nullptr);
};
extern TFrmCombineSDF* FrmCombineSDF;

class TFrmLinkSDF : public QDialog {
    Q_OBJECT
public:
    explicit TFrmLinkSDF(QWidget* parent = nullptr);
};
extern TFrmLinkSDF* FrmLinkSDF;

class TFrmEditSDF : public QDialog {
    Q_OBJECT
public:
    explicit TFrmEditSDF(QWidget* parent = nullptr);
};
extern TFrmEditSDF* FrmEditSDF;

class TFrmCommaData : public QDialog {
    Q_OBJECT
public:
    explicit TFrmCommaData(QWidget* parent = nullptr);
};
extern TFrmCommaData* FrmCommaData;

class TFrmNortek : public QDialog {
    Q_OBJECT
public:
    explicit TFrmNortek(QWidget* parent = nullptr);
};
extern TFrmNortek* FrmNortek;

}  // namespace brine
