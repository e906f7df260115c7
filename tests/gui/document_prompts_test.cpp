// The questions before a command discards the document, and what each answer does.
#include "workspace/DocumentPrompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace qv {
namespace {

class FakeHost : public PromptHost {
 public:
  bool Ask(std::string_view key) override {
    asked.emplace_back(key);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  bool SaveAs() override {
    ++saves;
    if (saveWorks) doc->DocNotSaved = doc->DocModified = false;  // as a real save does
    return saveWorks;
  }
  Document* doc = nullptr;
  std::deque<bool> answers;
  bool saveWorks = true;
  std::vector<std::string> asked;
  int saves = 0;
};

struct Case {
  const char* name;
  DiscardCommand command;
  bool notSaved, modified;
  std::deque<bool> answers;
  bool saveWorks;
  // Expected:
  bool goOn;
  std::vector<std::string> asked;
  int saves;
  bool notSavedAfter, modifiedAfter;
};

// clang-format off
const Case kCases[] = {
  // name, command, DocNotSaved, DocModified, answers, save works,
  //   -> goes on, questions asked, saves, DocNotSaved after, DocModified after
  // Close: a No clears every flag, the data are going away.
  {"close no", DiscardCommand::Close, true, true, {false}, true,
     true, {kMsgNotSaved}, 0, false, false},
  {"close modified no", DiscardCommand::Close, false, true, {false}, true,
     true, {kMsgWantSaveChanges}, 0, false, false},
  {"close yes saved", DiscardCommand::Close, true, false, {true}, true,
     true, {kMsgNotSaved}, 1, false, false},
  // Yes, but the save was cancelled: the command stops and nothing is forgotten.
  {"close yes save cancelled", DiscardCommand::Close, true, true, {true}, false,
     false, {kMsgNotSaved}, 1, true, true},
  {"close modified yes save cancelled", DiscardCommand::Close, false, true, {true}, false,
     false, {kMsgWantSaveChanges}, 1, false, true},
  // Replace: a No to the changes question keeps DocModified.
  {"replace modified no", DiscardCommand::Replace, false, true, {false}, true,
     true, {kMsgWantSaveChanges}, 0, false, true},
  {"replace not saved no", DiscardCommand::Replace, true, true, {false}, true,
     true, {kMsgNotSaved}, 0, false, false},
  {"replace yes save failed", DiscardCommand::Replace, true, false, {true}, false,
     false, {kMsgNotSaved}, 1, true, false},
  {"replace nothing to ask", DiscardCommand::Replace, false, false, {}, true,
     true, {}, 0, false, false},
  // Exit: a No keeps the flag, and the last question decides.
  {"exit no no", DiscardCommand::Exit, true, false, {false, false}, true,
     false, {kMsgNotSaved, kMsgTerminate}, 0, true, false},
  {"exit no, modified no, yes", DiscardCommand::Exit, true, true, {false, false, true}, true,
     true, {kMsgNotSaved, kMsgWantSaveChanges, kMsgTerminate}, 0, true, true},
  {"exit yes saved yes", DiscardCommand::Exit, true, true, {true, true}, true,
     true, {kMsgNotSaved, kMsgTerminate}, 1, false, false},
  {"exit yes save cancelled", DiscardCommand::Exit, true, false, {true}, false,
     false, {kMsgNotSaved}, 1, true, false},
  {"exit clean", DiscardCommand::Exit, false, false, {true}, true,
     true, {kMsgTerminate}, 0, false, false},
};
// clang-format on

TEST(DocumentPrompts, AnswersDecideFlagsSavesAndWhetherTheCommandGoesOn) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Document doc;
    doc.DocNotSaved = c.notSaved;
    doc.DocModified = c.modified;
    FakeHost host;
    host.doc = &doc;
    host.answers = c.answers;
    host.saveWorks = c.saveWorks;
    EXPECT_EQ(PromptBeforeDiscard(doc, host, c.command), c.goOn);
    EXPECT_EQ(host.asked, c.asked);
    EXPECT_EQ(host.saves, c.saves);
    EXPECT_EQ(doc.DocNotSaved, c.notSavedAfter);
    EXPECT_EQ(doc.DocModified, c.modifiedAfter);
  }
}

}  // namespace
}  // namespace qv
