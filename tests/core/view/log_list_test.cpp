#include "ViewTestSupport.h"
#include "view/LogList.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace qv {
namespace {

// Answers from a script and records what the person would have seen, in order.
class ScriptedHost : public LogListHost {
 public:
  std::deque<int> marks;  // block to mark at each showing of the list; -1 marks none, -2 cancels
  std::deque<bool> answers;
  bool saveSucceeds = true;
  bool tableVisible = true;
  bool layoutSucceeds = true;
  std::vector<std::string> log;

  bool Ask(std::string_view key) override {
    log.push_back("ask " + std::string(key));
    const bool yes = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return yes;
  }
  bool SaveAs() override {
    log.push_back("save");
    return saveSucceeds;
  }
  void SizeBlockList(int n) override { log.push_back("size " + std::to_string(n)); }
  bool ShowBlockList(std::vector<TLoggerRecord>& blocks) override {
    log.push_back("list");
    if (marks.empty()) return false;
    const int mark = marks.front();
    marks.pop_front();
    if (mark == -2) return false;
    for (size_t i = 0; i < blocks.size(); ++i)
      blocks[i].Selected = static_cast<int>(i) == mark;
    return true;
  }
  void Inform(std::string_view key) override { log.push_back("inform " + std::string(key)); }
  bool TableVisible() const override { return tableVisible; }
  void HideTable() override {
    tableVisible = false;
    log.push_back("hide");
  }
  void ShowTable() override {
    tableVisible = true;
    log.push_back("show");
  }
  void Pump() override {}
  bool LayoutCurrentBlock() override {
    log.push_back("layout");
    return layoutSucceeds;
  }
  void CurrentBlockChosen() override { log.push_back("chosen"); }
};

using Log = std::vector<std::string>;

Document ThreeBlocks() {
  Document doc = test::LoggingDocument(5, {1});
  doc.LoggerBlocks.push_back(doc.LoggerBlocks[0]);
  doc.LoggerBlocks.push_back(doc.LoggerBlocks[0]);
  doc.LoggerBlocks[1].SampleCount = 0;
  return doc;
}

TEST(LogList, SwitchesToTheChosenBlock) {
  Document doc = ThreeBlocks();
  ScriptedHost host;
  host.marks = {-1, 1, 2};  // nothing marked, an empty block, then block 2
  EXPECT_EQ(ppLogListClick(doc, host), LogListOutcome::Shown);
  EXPECT_EQ(doc.CurrentBlock, 2);
  EXPECT_EQ(host.log, (Log{"size 3", "list", "list", "hide", "inform msgNoDataToShow_35", "list",
                           "hide", "layout", "show", "chosen"}));
}

TEST(LogList, LayoutThatFailsLeavesTheTableHidden) {
  Document doc = ThreeBlocks();
  ScriptedHost host;
  host.marks = {0};
  host.layoutSucceeds = false;
  EXPECT_EQ(ppLogListClick(doc, host), LogListOutcome::Shown);
  EXPECT_FALSE(host.tableVisible);
  EXPECT_EQ(host.log.back(), "chosen");
}

TEST(LogList, NoBlocks) {
  Document doc;
  doc.LoggerDataLoaded = true;
  ScriptedHost host;
  EXPECT_EQ(ppLogListClick(doc, host), LogListOutcome::NoBlocks);
  EXPECT_EQ(host.log, (Log{"size 0", "inform msgNoDataToShow_35"}));
}

TEST(LogList, CancelAsksToSaveOnlyWhenNoTableIsShown) {
  struct Case {
    const char* what;
    bool tableVisible;
    bool notSaved, modified;
    std::deque<bool> answers;
    bool saveSucceeds;
    Log log;
    bool notSavedAfter, modifiedAfter;
  };
  const Case cases[] = {
      {"table shown", true, true, true, {}, true, {"list"}, true, true},
      {"yes saves both",
       false,
       true,
       true,
       {true},
       true,
       {"list", "ask msgNotSaved_70", "save"},
       false,
       false},
      {"no keeps the data's flags",
       false,
       true,
       true,
       {false, false},
       true,
       {"list", "ask msgNotSaved_70", "ask msgWantSaveChanges_50"},
       true,
       true},
      {"modified only",
       false,
       false,
       true,
       {true},
       true,
       {"list", "ask msgWantSaveChanges_50", "save"},
       false,
       false},
      {"a failed save keeps the flags",
       false,
       true,
       true,
       {true},
       false,
       {"list", "ask msgNotSaved_70", "save"},
       true,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document doc = ThreeBlocks();
    doc.DocNotSaved = c.notSaved;
    doc.DocModified = c.modified;
    ScriptedHost host;
    host.tableVisible = c.tableVisible;
    host.answers = c.answers;
    host.saveSucceeds = c.saveSucceeds;
    EXPECT_EQ(ppLogListClick(doc, host), LogListOutcome::Cancelled);
    host.log.erase(host.log.begin());  // the sizing
    EXPECT_EQ(host.log, c.log);
    EXPECT_EQ(doc.DocNotSaved, c.notSavedAfter);
    EXPECT_EQ(doc.DocModified, c.modifiedAfter);
    EXPECT_EQ(doc.CurrentBlock, 0);
  }
}

}  // namespace
}  // namespace qv
