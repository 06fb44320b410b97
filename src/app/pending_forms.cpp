#include "app/pending_forms.h"

namespace brine {

TFrmWaveHunter* FrmWaveHunter = nullptr;
TFrmWaveHunter::TFrmWaveHunter(QWidget* parent) : QDialog(parent) { setObjectName("FrmWaveHunter"); }


TFrmSDFdata* FrmSDFdata = nullptr;
TFrmSDFdata::TFrmSDFdata(QWidget* parent) : QDialog(parent) { setObjectName("FrmSDFdata"); }

TFrmKyowaS* FrmKyowaS = nullptr;
TFrmKyowaS::TFrmKyowaS(QWidget* parent) : QDialog(parent) { setObjectName("FrmKyowaS"); }

TFrmAlec* FrmAlec = nullptr;
TFrmAlec::TFrmAlec(QWidget* parent) : QDialog(parent) { setObjectName("FrmAlec"); }

TFrmCombineSDF* FrmCombineSDF = nullptr;
TFrmCombineSDF::TFrmCombineSDF(QWidget* parent) : QDialog(parent) { setObjectName("FrmCombineSDF"); }

TFrmLinkSDF* FrmLinkSDF = nullptr;
TFrmLinkSDF::TFrmLinkSDF(QWidget* parent) : QDialog(parent) { setObjectName("FrmLinkSDF"); }

TFrmDateYearTable* FrmDateYearTable = nullptr;
TFrmDateYearTable::TFrmDateYearTable(QWidget* parent) : QDialog(parent) { setObjectName("FrmDateYearTable"); }

TFrmEditSDF* FrmEditSDF = nullptr;
TFrmEditSDF::TFrmEditSDF(QWidget* parent) : QDialog(parent) { setObjectName("FrmEditSDF"); }

TFrmCommaData* FrmCommaData = nullptr;
TFrmCommaData::TFrmCommaData(QWidget* parent) : QDialog(parent) { setObjectName("FrmCommaData"); }

TFrmNortek* FrmNortek = nullptr;
TFrmNortek::TFrmNortek(QWidget* parent) : QDialog(parent) { setObjectName("FrmNortek"); }

TFrmInputBox* FrmInputBox = nullptr;
TFrmInputBox::TFrmInputBox(QWidget* parent) : QDialog(parent) { setObjectName("FrmInputBox"); }

}  // namespace brine
