// A results file opened the way File > Open of the application opens it, and the tree node or
// logging block the person would then select.
#pragma once

#include "CliContext.h"
#include "workspace/DocumentWorkspace.h"

#include <QString>
#include <optional>
#include <string>

namespace qv::cli {

// Reads the file into `doc`; for results also builds the building tree and puts the tests into
// tree order. False after one line saying why.
// The person-facing side of the workspace for the tool: messages become error lines; there is
// nobody to answer a question or to choose a block.
class CliDocumentHost : public DocumentHost {
 public:
  explicit CliDocumentHost(const CliContext& context) : context_(context) {}
  void Message(MessageIcon icon, const Bytes& text) override;
  bool Ask(std::string_view /*key*/) override { return false; }
  bool SaveAs() override { return false; }
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& /*blocks*/) override { return false; }

 private:
  const CliContext& context_;
};

bool OpenDocument(const CliContext& context, const QString& path, DocumentWorkspace& workspace);

// A node of the results tree: the root (all tests), a building, or a room of a building.
struct TreeNode {
  int building = 0;  // 0 = the root
  int room = 0;      // 0 = the whole building
};
// "all", "B" or "B/R"; nullopt when it is none of these.
std::optional<TreeNode> ParseTreeNode(const QString& text);

// What selecting the node does to the document (the tree's selection handler): ShownTests are
// the node's tests in AllTests order and the column map holds every code that at least one of
// them carries. False with a clear line when the tree has no such node.
bool SelectTreeNode(const CliContext& context, Document& doc, const TreeNode& node);

// Whether the table would show the selected tests (else "msgNoDataToShow_35" was printed).
bool ResultsTableShows(const CliContext& context, const Document& doc);

// Makes block n (1-based) current as the block list's Show does; false with a line when there
// is no such block or it holds no samples ("msgNoDataToShow_35").
bool ShowBlock(const CliContext& context, DocumentWorkspace& workspace, int n);

}  // namespace qv::cli
