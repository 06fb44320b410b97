#pragma once
// Creates the program's dialogs once, in their fixed order.
namespace brine {

void CreateForms();
void DestroyForms();

}  // namespace brine
