// A failed save must never cost the previous file. Failures are real ones from the system:
// a file-size limit on this process makes writes fail part-way (root ignores folder rights).
#include "files/ResultsFile.h"
#include "files/TextExport.h"

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>

namespace qv {
namespace {

using test::Texts;

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  rlimit old_{};
  void (*handler_)(int) = nullptr;
};

Document LargeResults() {
  Document doc;
  doc.Kind = DocumentKind::Results;
  doc.DocNotSaved = true;
  doc.DocModified = true;
  doc.InstrumentInfo.SettingsBlock = std::string(300, 'x');
  doc.DocSignals[1] = 1;
  doc.DocSignalCount = 1;
  for (int i = 0; i < 200; ++i) {
    TTestsRecord& t = doc.AllTests[doc.AddTestRecord()];
    t.UnitSystem = "SI";
    test::SetValue(t, 1, 20 + i * 0.1);
  }
  return doc;
}

QStringList FolderEntries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(SafeSave, FailedWritesKeepThePreviousFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("kept.QVL");
  const std::string previous = "previous contents\r\n";
  test::WriteAll(path, previous);

  Document doc = LargeResults();
  const auto parts = ComposeResultsFile(doc, "kept.QVL", '.');
  ASSERT_TRUE(parts);
  const rlim_t head = parts->head.size();

  struct Case {
    const char* where;
    rlim_t limit;
    const char* message;  // nullptr: the system's own text
  } cases[] = {
      {"in the instrument data", head + 10, "Save failed #10"},
      {"in the measurements", head + parts->instrument.size() + 100, nullptr},
      {"in the header", 20, nullptr},
  };
  for (const Case& c : cases) {
    Outcome out;
    {
      FileSizeLimit limit(c.limit);
      out = SaveResultsFile(path, doc, Texts());
    }
    EXPECT_EQ(out.status, Outcome::Status::Failed) << c.where;
    if (c.message) {
      EXPECT_EQ(out.message, c.message) << c.where;
    } else {
      EXPECT_FALSE(out.message.empty()) << c.where;
      EXPECT_EQ(out.message.find("Save failed"), std::string::npos) << c.where;
    }
    EXPECT_EQ(test::ReadAll(path), previous) << c.where;
    EXPECT_EQ(FolderEntries(dir), QStringList{"kept.QVL"}) << c.where;
    EXPECT_TRUE(doc.DocNotSaved && doc.DocModified) << c.where;
  }

  // Without the limit the same save replaces the file.
  ASSERT_TRUE(SaveResultsFile(path, doc, Texts()).ok());
  EXPECT_EQ(test::ReadAll(path), parts->head + parts->instrument + parts->measurements);
  EXPECT_FALSE(doc.DocNotSaved);
}

TEST(SafeSave, ExportKeepsThePreviousFileToo) {
  QTemporaryDir dir;
  const QString path = dir.filePath("table.txt");
  test::WriteAll(path, "old export");
  Document doc = LargeResults();
  doc.ShowAllTests();
  doc.ColumnSignals[1] = 1;
  doc.ColumnCount = 1;
  Outcome out;
  {
    FileSizeLimit limit(100);
    out = ExportTable(path, doc, Texts());
  }
  EXPECT_EQ(out.status, Outcome::Status::Failed);
  EXPECT_FALSE(out.message.empty());
  EXPECT_EQ(test::ReadAll(path), "old export");
  EXPECT_EQ(FolderEntries(dir), QStringList{"table.txt"});
}

TEST(SafeSave, MissingFolderIsReported) {
  Document doc = LargeResults();
  const Outcome out = SaveResultsFile("/nonexistent-folder/x.QVL", doc, Texts());
  EXPECT_EQ(out.status, Outcome::Status::Failed);
  EXPECT_FALSE(out.message.empty());
  EXPECT_TRUE(doc.DocNotSaved);
}

}  // namespace
}  // namespace qv
