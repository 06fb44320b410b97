#include "app/pending_forms.h"

namespace brine {

TFrmWaveHunter* FrmWaveHunter = nullptr;
TFrmWaveHunter::TFrmWaveHunter(QWidget* parent) : QDialog(parent) { setObjectName("FrmWaveHunter"); }



TFrmKyowaS* FrmKyowaS = nullptr;
TFrmKyowaS::TFrmKyowaS(QWidget* parent) : QDialog(parent) { setObjectName("FrmKyowaS"); }


TFrmCombineSDF* FrmCombineSDF = nullptr;
TFrmCombineSDF::TFrmCombineSDF(QWidget* parent) : QDialog(parent) { setObjectName("FrmCombineSDF"); }

TFrmLinkSDF* FrmLinkSDF = nullptr;
TFrmLinkSDF::TFrmLinkSDF(QWidget* parent) : QDialog(parent) { setObjectName("FrmLinkSDF"); }

TFrmEditSDF* FrmEditSDF = nullptr;
TFrmEditSDF::TFrmEditSDF(QWidget* parent) : QDialog(parent) { setObjectName("FrmEditSDF"); }

TFrmCommaData* FrmCommaData = nullptr;
TFrmCommaData::TFrmCommaData(QWidget* parent) : QDialog(parent) { setObjectName("FrmCommaData"); }

TFrmNortek* FrmNortek = nullptr;
TFrmNortek::TFrmNortek(QWidget* parent) : QDialog(parent) { setObjectName("FrmNortek"); }


}  // namespace brine
