#include "app/pending_forms.h"

namespace brine {

TFrmWaveHunter* FrmWaveHunter = nullptr;
TFrmWaveHunter::TFrmWaveHunter(QWidget* parent) : QDialog(parent) { setObjectName("FrmWaveHunter"); }



TFrmCombineSDF* FrmCombineSDF = nullptr;
TFrmCombineSDF::TFrmCombineSDF(QWidget* parent) : QDialog(parent) { setObjectName("FrmCombineSDF"); }

TFrmDateYearTable* FrmDateYearTable = nullptr;
TFrmDateYearTable::TFrmDateYearTable(QWidget* parent) : QDialog(parent) { setObjectName("FrmDateYearTable"); }


TFrmNortek* FrmNortek = nullptr;
TFrmNortek::TFrmNortek(QWidget* parent) : QDialog(parent) { setObjectName("FrmNortek"); }


}  // namespace brine
