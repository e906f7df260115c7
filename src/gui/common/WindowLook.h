// How the application's windows present themselves to the desktop: titles without the
// application's name added, and dialogs with a title bar and a close box only, at a size
// the person cannot change.
#pragma once

#include <Qt>

class QAbstractButton;
class QButtonGroup;
class QDialog;
class QDialogButtonBox;
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

// The OK ("btnOK_8", the default) and Cancel ("btnCancel_8") buttons of a dialog laid out with
// Qt layouts, named btnOK and btnCancel and closing it with accept and reject.
QDialogButtonBox* OkCancelButtons(AppContext& ctx, QDialog* dialog);

// A box the program fills and the person only reads: read-only, in the face colour, focused by a
// click only (which may select a text to copy), so that the keyboard starts on the fields to type.
void ReadOnlyLook(QLineEdit* box);

// The choice a radio group opens on: its checked button, else its first.
QAbstractButton* FirstChoice(const QButtonGroup* group);

}  // namespace qv
