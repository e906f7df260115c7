// libFuzzer target for the results-file reader: whatever the bytes, reading never touches
// memory outside the input or the records (AddressSanitizer watches), and what it reads can be
// written and read again, settling after one more cycle (files keep display texts, so the first
// rewrite may round values once more).
#include "app/TextCatalog.h"
#include "files/ResultsFile.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

const qv::TextCatalog& Texts() {
  static const qv::TextCatalog texts;
  return texts;
}

std::string Compose(const qv::Document& doc) {
  const auto parts = qv::ComposeResultsFile(doc, "fuzz.QVL", ',');
  if (!parts) {
    std::fputs("a document read from a file could not be written\n", stderr);
    std::abort();
  }
  return parts->head + parts->instrument + parts->measurements;
}

qv::Document MustRead(const std::string& bytes) {
  qv::Document doc;
  const qv::OpenOutcome r = qv::ReadResultsFile(bytes, doc, Texts());
  if (!r.outcome.ok()) {
    std::fprintf(stderr, "our own file did not read back: %s\n", r.outcome.message.c_str());
    std::abort();
  }
  return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::Document doc;
  const qv::OpenOutcome r = qv::ReadResultsFile(
      std::string_view(reinterpret_cast<const char*>(data), size), doc, Texts());
  if (!r.outcome.ok() || r.kind == qv::MeasurementsKind::None) return 0;

  const std::string second = Compose(MustRead(Compose(doc)));
  const std::string third = Compose(MustRead(second));
  if (second != third) {
    std::fputs("rewriting a file did not settle\n", stderr);
    std::abort();
  }
  return 0;
}
