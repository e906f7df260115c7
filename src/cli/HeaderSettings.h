// The print header as the application holds it after start-up: the current texts stored in
// the settings ("Operator1" ... "AdapPrType"), each empty when none is stored.
#pragma once

#include "app/Settings.h"
#include "store/Records.h"

namespace qv::cli {

PrintHeader CurrentHeaderTexts(const SettingsStore& store);

}  // namespace qv::cli
