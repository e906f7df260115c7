#include "common/ChoiceLoading.h"

namespace qv {

void LoadChoicesReporting(AppContext& ctx, Prompter& prompter, QWidget* parent) {
  const ReadResult r = LoadInterfaceChoices(ctx.Settings, ctx.Choices);
  if (r.status == ReadStatus::WrongType) {
    prompter.Message(parent, QString::fromStdString(r.error), QMessageBox::Warning);
  }
}

}  // namespace qv
