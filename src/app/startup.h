#pragma once
// Program start-up: the application's title, Qt's Japanese texts and the
// help binding, the dialogs created once in their fixed order, and the
// commands bound to the dialogs that are built.
namespace brine {

void InitApplication();
void CreateForms();
// Binds the main window's commands to their targets and enables them.
void BindTargets();
void DestroyForms();

}  // namespace brine
