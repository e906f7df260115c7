// The row commands of the results view: Cut Row, Copy Row, Paste Row and Delete Row. Tests are
// named by their record index, never by position: positions change with every rebuild of the
// tree. The caller hands a changed AllTests to the document workspace, which rebuilds the tree
// and marks the document modified.
#pragma once

#include "view/TableState.h"

namespace qv {

// The held row becomes the selected row's test (Copy Row); Cut Row also marks it to be removed
// when it is pasted. Nothing happens without a selected row.
void CopyRow(TableState& state);
void CutRow(TableState& state);

// Inserts a copy of the held test right after the selected row's test, under that test's
// building and room, with the next free record index; a cut test is then removed and the held
// and cut rows end. False, with nothing changed, without a held or a selected test.
bool PasteRow(Document& doc, TableState& state);

// Removes the selected row's test; a held or cut row naming it ends. False when there is no
// such test.
bool DeleteRow(Document& doc, TableState& state);

}  // namespace qv
