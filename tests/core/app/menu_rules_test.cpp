// Which menu entries the window's state allows, decided without a window.
#include "app/MenuRules.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

ShellState Look(bool table, bool results, bool logger, int children = 0, int row = -1) {
  ShellState s;
  s.TableVisible = table;
  s.ResultsDataLoaded = results;
  s.LoggerDataLoaded = logger;
  s.MdiChildCount = children;
  s.MainPanelVisible = children == 0;
  s.SelectedRow = row;
  return s;
}

TEST(MenuRules, FileMenu) {
  const struct {
    ShellState state;
    bool close, saveAs, logAsRes, preview, info, exportOn, exportReport, exportSurvey;
  } cases[] = {
      {Look(false, false, false), false, false, false, false, false, false, false, false},
      {Look(true, true, false), true, true, false, true, true, true, true, false},
      // A logging block previews and exports its survey report, never the results report.
      {Look(true, false, true), true, true, true, true, true, true, false, true},
      {Look(false, false, true), false, false, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    const FileMenuEnabling e = FileMenuRule(c.state);
    EXPECT_EQ(e.Close, c.close);
    EXPECT_EQ(e.SaveAs, c.saveAs);
    EXPECT_EQ(e.SaveLogAsRes, c.logAsRes);
    EXPECT_EQ(e.Preview, c.preview);
    EXPECT_EQ(e.Info, c.info);
    EXPECT_EQ(e.Export, c.exportOn);
    EXPECT_EQ(e.ExportReport, c.exportReport);
    EXPECT_EQ(e.ExportSurvey, c.exportSurvey);
  }
}

TEST(MenuRules, EditNeedsTableAndPanel) {
  EXPECT_TRUE(EditMenuRule(Look(true, true, false)).Copy);
  EXPECT_FALSE(EditMenuRule(Look(true, true, false, 1)).Copy) << "a graph window hides the panel";
  EXPECT_FALSE(EditMenuRule(Look(false, false, false)).SelectAll);
}

TEST(MenuRules, ConfigGraphWindowAndPopup) {
  const struct {
    const char* what;
    ShellState state;
    bool logList, units, draw, windows, popupLogList, settings;
  } cases[] = {
      {"logging on show", Look(true, false, true), true, true, true, false, true, true},
      {"logging with a graph", Look(true, false, true, 1), false, false, true, true, true, true},
      {"logging hidden, two graphs", Look(false, false, true, 2), false, false, false, true, true,
       true},
      {"results", Look(true, true, false), false, true, false, false, false, false},
      {"results, row 3 selected", Look(true, true, false, 0, 3), false, true, false, false, false,
       true},
      {"nothing", Look(false, false, false), false, true, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ConfigMenuEnabling config = ConfigMenuRule(c.state);
    EXPECT_EQ(config.LogList, c.logList);
    EXPECT_EQ(config.Units, c.units);
    const GraphMenuEnabling graph = GraphMenuRule(c.state);
    EXPECT_EQ(graph.Draw, c.draw);
    EXPECT_EQ(graph.Comfort, c.draw) << "the comfort of the block on show, as Draw draws it";
    EXPECT_EQ(graph.Refresh && graph.Print && graph.Close && graph.CloseAll, c.windows);
    EXPECT_EQ(graph.Refresh || graph.Print || graph.Close || graph.CloseAll, c.windows);
    EXPECT_EQ(WindowMenuRule(c.state), c.windows);
    const PopupMenuEnabling popup = PopupMenuRule(c.state);
    EXPECT_EQ(popup.LogList, c.popupLogList);
    EXPECT_EQ(popup.InstrumentSettings, c.settings);
  }
}

}  // namespace
}  // namespace qv
