// Puts a document a test built in the workspace's own document on show the way a finished
// download does: installed whole, as the download engine's caller installs its document.
#pragma once

#include "workspace/DocumentWorkspace.h"

#include <utility>

namespace qv::test {

inline LoadOutcome InstallAsDownloaded(DocumentWorkspace& workspace, DocumentKind kind,
                                       DocumentHost& host, DateTime today = 0) {
  Document doc = std::move(workspace.Doc());
  doc.Kind = kind;
  return workspace.InstallDownload(std::move(doc), today, host);
}

}  // namespace qv::test
