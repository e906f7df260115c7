// The toolkit's own texts (Yes/No/Cancel, the file and print dialogs, the print preview's tool
// bar) in the chosen language, from the toolkit's translations.
#pragma once

#include <string>

namespace qv {

// Installs the toolkit's translation for `localeName` ("de", ...) in place of the one installed
// before. English, an empty name, or a language the toolkit has no translation for leave its
// texts English; false tells the last.
bool InstallToolkitTranslation(const std::string& localeName);

}  // namespace qv
