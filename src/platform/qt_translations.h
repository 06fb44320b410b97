#pragma once
// Qt's own texts (file dialogs, message-box buttons, the edit menus of text
// fields) in Japanese, to match the program's captions whatever the system
// locale.

namespace brine {

// Installs Qt's Japanese translations into the running application once.
// Returns false, leaving Qt's English texts, when they are not installed.
bool InstallQtTranslations();

}  // namespace brine
