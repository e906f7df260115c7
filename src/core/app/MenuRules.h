// Which menu entries are enabled, decided from the window's state each time a menu opens.
#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

namespace qv {

struct ShellState {
  bool TableVisible = false;
  bool MainPanelVisible = true;
  bool LoggerDataLoaded = false;
  bool ResultsDataLoaded = false;
  int MdiChildCount = 0;
  int SelectedRow = -1;  // the table's selected result row, -1 = none
};

struct FileMenuEnabling {
  bool Close, SaveAs, SaveLogAsRes, Preview, Info, Export;
  // Export Report as PDF (the results report) and Export Survey Report as PDF (of a logging
  // block).
  bool ExportReport, ExportSurvey;
};
struct EditMenuEnabling {
  bool Copy, SelectAll;
};
struct ConfigMenuEnabling {
  bool LogList, Units;
};
struct GraphMenuEnabling {
  bool Draw, Refresh, Print, Close, CloseAll;
  bool Comfort;  // of the block on show, as Draw
};
struct PopupMenuEnabling {
  bool LogList, InstrumentSettings;
};

inline FileMenuEnabling FileMenuRule(const ShellState& s) {
  const bool t = s.TableVisible;
  const bool logging = t && s.LoggerDataLoaded;
  // The preview shows the results report for results and the survey report for a logging block.
  return {t, t, logging, t, t, t, t && !logging, logging};
}

inline EditMenuEnabling EditMenuRule(const ShellState& s) {
  const bool on = s.TableVisible && s.MainPanelVisible;
  return {on, on};
}

inline ConfigMenuEnabling ConfigMenuRule(const ShellState& s) {
  const bool noChild = s.MdiChildCount == 0;
  return {s.TableVisible && s.LoggerDataLoaded && noChild, noChild};
}

inline GraphMenuEnabling GraphMenuRule(const ShellState& s) {
  const bool children = s.MdiChildCount > 0;
  const bool block = s.LoggerDataLoaded && s.TableVisible;
  return {block, children, children, children, children, block};
}

// Cascade, both tilings and Minimize.
inline bool WindowMenuRule(const ShellState& s) {
  return s.MdiChildCount > 0;
}

inline PopupMenuEnabling PopupMenuRule(const ShellState& s) {
  PopupMenuEnabling e{s.LoggerDataLoaded, s.LoggerDataLoaded};
  if (s.ResultsDataLoaded) e.InstrumentSettings = s.SelectedRow != -1;
  return e;
}

// While a download runs, the commands that would change or replace the open document, or use
// the link, are disabled: the transfer's document replaces the open one when it ends, and the
// person answered its save questions before it began. Viewing, copying, printing and graphs go
// on; so does the archive window, but for opening a visit into the main window. `name` is the
// entry's or button's design name.
inline bool LockedWhileTransferring(std::string_view name) {
  static constexpr std::string_view kLocked[] = {
      "mmFileOpen",   "mmFileClose",     "mmFileSaveAs",    "mmFileSaveLogAsRes", "mmInstrDownLoad",
      "mmConfigPort", "mmConfigLogList", "mmHelpSaveTrace", "ppCutRow",           "ppCopyRow",
      "ppPasteRow",   "ppDeleteRow",     "ppLogList",       "ppSaveSelAsRes",     "sbFileOpen",
      "sbFileSave",   "sbDownLoad",      "btnArchiveOpen"};
  return std::find(std::begin(kLocked), std::end(kLocked), name) != std::end(kLocked);
}

}  // namespace qv
