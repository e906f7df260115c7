// The print header's texts kept between runs: the "current" family follows every confirmed
// header, the default family ("...Def") changes only when the person saves it as default. Each
// family is the four header lines, the footer and the type and serial number of ten probes; the
// comments, the instrument texts and the date are never stored.
#pragma once

#include "app/Settings.h"
#include "store/Records.h"

namespace qv {

enum class HeaderFamily { Current, Default };

// Every stored value of `family` replaces its text in `header`; a value that is missing (or not
// a text) leaves its text as it was.
void LoadHeaderFamily(const SettingsStore& store, HeaderFamily family, PrintHeader& header);

// Writes all 25 texts of `family`, in one write of the store. False when it could not be
// written.
bool SaveHeaderFamily(const SettingsStore& store, HeaderFamily family, const PrintHeader& header);

// The header as the application holds it after start-up: the stored current texts, each empty
// when none is stored.
PrintHeader CurrentHeaderTexts(const SettingsStore& store);

}  // namespace qv
