#include "app/startup.h"

#include "app/main_window.h"
#include "core/ui/frm_progress.h"

namespace brine {

void CreateForms() {
    Form1 = new TForm1();
    FrmProgress = new TFrmProgress(Form1);
}

void DestroyForms() {
    delete Form1;  // owns the dialogs
    Form1 = nullptr;
    FrmProgress = nullptr;
}

}  // namespace brine
