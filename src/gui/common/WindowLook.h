// How the application's windows present themselves to the desktop: titles without the
// application's name added, and dialogs with a title bar and a close box only, at a size
// the person cannot change.
#pragma once

#include <QStringList>
#include <Qt>

class QAbstractButton;
class QButtonGroup;
class QDialog;
class QDialogButtonBox;
class QGroupBox;
class QPushButton;
class QWidget;
class QLineEdit;

namespace qv {

struct AppContext;

// Application name, desktop file and display name. Qt on Linux appends a non-empty display
// name to every window title, and the main window's caption already is the title.
void SetApplicationIdentity();

// Without CustomizeWindowHint the window manager adds minimise and maximise buttons to a
// dialog; the fixed-size hint alone only counts on Windows.
inline constexpr Qt::WindowFlags kDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                                Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                Qt::MSWindowsFixedSizeDialogHint;

// Sets `flags` and fixes the size: to the layout's when there is one, else to the present
// size. Call once the dialog's contents are in place.
void ApplyDialogLook(QDialog* dialog, Qt::WindowFlags flags = kDialogFlags);

// The OK and Cancel buttons of a dialog: OK (the default; `okKey`'s text, named `okName`) accepts
// it, Cancel ("btnCancel_8", named btnCancel) rejects it. For a dialog that places them itself.
struct OkCancel {
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
};
OkCancel MakeOkCancel(AppContext& ctx, QDialog* dialog, const char* okKey = "btnOK_8",
                      const char* okName = "btnOK");
// The same two in a button box, for a dialog laid out with Qt layouts.
QDialogButtonBox* OkCancelButtons(AppContext& ctx, QDialog* dialog);

// A titled group of radio buttons (the title with a blank either side), numbered 0.. in its
// button group in the order of `items`, in a column or a row; none checked.
struct RadioGroup {
  QGroupBox* box = nullptr;
  QButtonGroup* group = nullptr;
};
RadioGroup MakeRadioGroup(QWidget* parent, const char* name, const QString& title,
                          const QStringList& items, Qt::Orientation orientation = Qt::Vertical);

// A box the program fills and the person only reads: read-only, in the face colour, focused by a
// click only (which may select a text to copy), so that the keyboard starts on the fields to type.
void ReadOnlyLook(QLineEdit* box);

// The choice a radio group opens on: its checked button, else its first.
QAbstractButton* FirstChoice(const QButtonGroup* group);

}  // namespace qv
