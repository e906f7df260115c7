#include "CliDocument.h"

#include "CliArgs.h"
#include "files/ResultsFile.h"
#include "format/DateTimeText.h"
#include "view/ResultsTree.h"
#include "view/TableLayout.h"

#include <QFileInfo>

#include <cstdint>

namespace qv::cli {

void CliDocumentHost::Message(MessageIcon /*icon*/, const Bytes& text) {
  context_.ErrorBytes(text);
}

bool OpenDocument(const CliContext& context, const QString& path, DocumentWorkspace& workspace) {
  const std::string shownPath = LocalPath(path);
  if (QFileInfo(path).isDir()) {
    context.Error(shownPath + " is a folder");
    return false;
  }
  CliDocumentHost host(context);
  OpenOptions options;
  options.codePage = context.Codec().CodePage();
  options.today = Now();
  options.interactive = false;
  const OpenedDocument opened = workspace.Open(path, host, options);
  if (!opened.read.ok()) {
    context.Error(shownPath + ": " + context.ForTerminal(opened.read.message));
    return false;
  }
  // What a command needs shown (a tree node with data, a block), it checks itself.
  return true;
}

std::optional<TreeNode> ParseTreeNode(const QString& text) {
  if (text == QLatin1String("all")) return TreeNode{};
  const QStringList parts = text.split(QLatin1Char('/'));
  if (parts.size() > 2) return std::nullopt;
  const std::optional<int> building = ParseCount(parts.at(0), 1, INT32_MAX);
  if (!building) return std::nullopt;
  TreeNode node{*building, 0};
  if (parts.size() == 2) {
    const std::optional<int> room = ParseCount(parts.at(1), 1, INT32_MAX);
    if (!room) return std::nullopt;
    node.room = *room;
  }
  return node;
}

bool SelectTreeNode(const CliContext& context, Document& doc, const TreeNode& node) {
  if (node.building != 0) {
    const THouseTreeRecord* house = nullptr;
    for (const THouseTreeRecord& h : doc.BuildingTree) {
      if (h.BuildingNo == node.building) house = &h;
    }
    bool found = house != nullptr;
    if (found && node.room != 0) {
      found = false;
      for (const TTestTreeRecord& r : house->Rooms)
        found = found || r.RoomNo == node.room;
    }
    if (!found) {
      std::string name = "building " + std::to_string(node.building);
      if (node.room != 0 && house != nullptr) name += ", room " + std::to_string(node.room);
      context.Error("the tree of this file has no " + name);
      return false;
    }
  }

  // The tool draws nothing: widths are not needed, only what the node shows.
  TableState table;
  const TreeNodeRef ref{node.building == 0 ? 0 : node.room == 0 ? 1 : 2, node.building, node.room};
  ShowTreeNode(doc, table, ref, [](const Bytes& text) { return static_cast<int>(text.size()); });
  return true;
}

bool ResultsTableShows(const CliContext& context, const Document& doc) {
  if (!ResultsHaveData(doc)) {
    context.ErrorBytes(context.Translate("msgNoDataToShow_35"));
    return false;
  }
  return true;
}

bool ShowBlock(const CliContext& context, DocumentWorkspace& workspace, int n) {
  const Document& doc = workspace.Doc();
  const int count = static_cast<int>(doc.LoggerBlocks.size());
  if (n < 1 || n > count) {
    if (count == 0) {
      context.ErrorBytes(context.Translate("msgNoDataToShow_35"));
    } else {
      context.Error("there is no logging block " + std::to_string(n) + ": the file holds " +
                    std::to_string(count) + " block" + (count == 1 ? "" : "s"));
    }
    return false;
  }
  CliDocumentHost host(context);
  return workspace.ShowBlock(n - 1, host);
}

}  // namespace qv::cli
