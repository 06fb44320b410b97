#include "app/pending_forms.h"

namespace brine {

TFrmDateYearTable* FrmDateYearTable = nullptr;
TFrmDateYearTable::TFrmDateYearTable(QWidget* parent) : QDialog(parent) { setObjectName("FrmDateYearTable"); }


TFrmNortek* FrmNortek = nullptr;
TFrmNortek::TFrmNortek(QWidget* parent) : QDialog(parent) { setObjectName("FrmNortek"); }


}  // namespace brine
