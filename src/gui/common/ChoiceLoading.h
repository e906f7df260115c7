// The stored user-interface choices, loaded by the dialogs that show them.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"

class QWidget;

namespace qv {

// Loads the stored user-interface choices into the live ones; a value of the wrong type is
// reported and stops the load there.
void LoadChoicesReporting(AppContext& ctx, Prompter& prompter, QWidget* parent);

}  // namespace qv
