#pragma once

#include <string>

// Qt's own texts (its dialogs' buttons, the file chooser) in the interface language, from
// the system's Qt translations; English where none is installed.
namespace QtTranslations {

// Loads the translations of `languageCode` ("de") in place of those loaded before.
void Use(const std::string& languageCode);

}  // namespace QtTranslations
