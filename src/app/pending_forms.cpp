#include "app/pending_forms.h"

namespace brine {

TFrmWaveHunter* FrmWaveHunter = nullptr;
TFrmWaveHunter::TFrmWaveHunter(QWidget* parent) : QDialog(parent) { setObjectName("FrmWaveHunter"); }

}  // namespace brine
