#pragma once
// Modal showing of dialogs. Tests install a hook that drives the dialog
// instead of running its event loop.
#include <functional>

class QDialog;

namespace brine {

using ModalHook = std::function<int(QDialog&)>;

// Shows the dialog modally and returns its result (QDialog::Accepted or
// Rejected). With a hook installed, calls the hook instead.
int ShowModal(QDialog& dialog);
void SetModalHook(ModalHook hook);  // empty function removes it

// Lets pending window messages run. Throttled: runs at most every 30 ms unless
// force is set.
void PumpMessages(bool force = false);

}  // namespace brine
