// libFuzzer target for the whole download: the engine drives the link over a transport whose
// every read returns the next bytes of the input as the instrument's answer. The first byte
// chooses the memory (bit 0) and what happens when the answers run out (bit 1): the link
// waits in vain, so that every failure and its message are reached, or the person cancels.
// All time limits are zero, so a wait never waits: a read takes what the input has left.
// What must hold whatever the instrument sends: the run ends with the link closed, no
// message or question appears under the transfer box, the progress never goes back or past
// 100, and what the document holds is consistent (record indexes, sample array lengths).
#include "FuzzCheck.h"
#include "app/TextCatalog.h"
#include "download/DownloadEngine.h"
#include "link/FtdiApi.h"
#include "store/SignalCatalog.h"
#include "workspace/DocumentWorkspace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

class InputTransport : public qv::ByteTransport {
 public:
  InputTransport(const uint8_t* data, size_t size, bool cancelAtEnd, qv::Link& link)
      : data_(data), size_(size), cancelAtEnd_(cancelAtEnd), link_(link) {}

  qv::OpenResult Open() override {
    open_ = true;
    return {true, {}};
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  size_t Write(const uint8_t*, size_t n) override { return open_ ? n : 0; }
  size_t Read(uint8_t* buf, size_t n, qv::LinkClock::time_point) override {
    QV_FUZZ_CHECK(open_);
    const size_t count = std::min(n, size_ - pos_);
    if (count != 0) std::memcpy(buf, data_ + pos_, count);
    pos_ += count;
    if (count < n && cancelAtEnd_) link_.Cancel();
    return count;
  }
  size_t BytesWaiting() override { return open_ ? size_ - pos_ : 0; }
  // The input is the stream still to come: nothing has been received before a read.
  void PurgeInput() override {}

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool open_ = false;
  bool cancelAtEnd_;
  qv::Link& link_;
};

class Host : public qv::DownloadHost {
 public:
  void Pump() override {
    if (++pumps == 20000 && link != nullptr) link->Cancel();  // a bound on any loop
  }
  void Message(qv::MessageIcon, const qv::Bytes&) override { QV_FUZZ_CHECK(!transferShown); }
  bool Ask(std::string_view) override { return false; }
  bool SaveAs() override { return false; }
  bool ChooseBlockToShow(std::vector<qv::TLoggerRecord>& blocks) override {
    QV_FUZZ_CHECK(!transferShown);
    // The last block, then the others in turn (some may have no samples), then Cancel.
    if (blocks.empty() || showLists >= 4) return false;
    blocks[(blocks.size() - 1 + showLists++) % blocks.size()].Selected = 1;
    return true;
  }
  std::optional<qv::MemoryChoice> ChooseMemory() override {
    QV_FUZZ_CHECK(!transferShown);
    return memory;
  }
  bool ChooseBlocksToDownload(std::vector<qv::TLoggerRecord>& blocks) override {
    QV_FUZZ_CHECK(!transferShown);
    for (qv::TLoggerRecord& b : blocks)
      b.Selected = 1;
    return true;
  }
  void Connecting(const qv::Bytes&) override { transferShown = true; }
  void TransferStarted(const qv::Bytes&) override {
    transferShown = true;
    lastPercent = 0;
  }
  void Progress(int percent) override {
    QV_FUZZ_CHECK(percent >= lastPercent && percent <= 100);
    lastPercent = percent;
  }
  void TransferEnded() override { transferShown = false; }

  qv::MemoryChoice memory = qv::MemoryChoice::Results;
  qv::Link* link = nullptr;
  bool transferShown = false;
  int pumps = 0;
  int showLists = 0;
  int lastPercent = 0;
};

const qv::TextCatalog& Texts() {
  static const qv::TextCatalog texts = qv::TextCatalog::FromBytes(
      "[Language]\nmsgCommunFail_35=Communication failed\nmsgDataCorrupt_35=Data corrupt\n");
  return texts;
}

void CheckDocument(const qv::Document& doc) {
  // Record indexes are the tests' identities (the tree's sort moves the tests, not them):
  // each of 0..n-1 exactly once.
  std::vector<bool> seen(doc.AllTests.size(), false);
  for (const qv::TTestsRecord& t : doc.AllTests) {
    QV_FUZZ_CHECK(t.RecordIndex >= 0 && static_cast<size_t>(t.RecordIndex) < seen.size());
    QV_FUZZ_CHECK(!seen[static_cast<size_t>(t.RecordIndex)]);
    seen[static_cast<size_t>(t.RecordIndex)] = true;
  }
  for (const qv::TLoggerRecord& b : doc.LoggerBlocks) {
    QV_FUZZ_CHECK(b.SignalCount >= 0 && b.SignalCount <= qv::kLoggerSignals);
    for (int i = 0; i < b.SignalCount; ++i) {
      const int code = b.SignalCodes[i];
      QV_FUZZ_CHECK(code >= 1 && code <= qv::kLoggerSignals);
      QV_FUZZ_CHECK(b.Samples[qv::StoragePos(code)].size() == static_cast<size_t>(b.SampleCount));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const qv::FtdiApi noUsb = qv::NoFtdi();
  Host host;
  host.memory = data[0] & 1 ? qv::MemoryChoice::Logging : qv::MemoryChoice::Results;
  qv::Link link(host, noUsb);
  auto transport = std::make_unique<InputTransport>(data + 1, size - 1, data[0] & 2, link);
  const InputTransport* wire = transport.get();
  link.SetSerialTransport(std::move(transport), 38400);
  qv::LinkTimings timings;
  timings.IdentifyTotal = timings.IdentifyAttempt = timings.CommandTotal = timings.CommandAttempt =
      timings.BlockMinimum = qv::LinkTimings::us{0};
  timings.BlockStretch = 0;
  link.SetTimings(timings);
  host.link = &link;

  qv::DocumentWorkspace workspace(Texts());
  qv::DownloadEngine engine(link, host, Texts());
  engine.SetPauses(qv::DownloadPauses{{}, {}, {}});
  const qv::DownloadResult result = qv::RunDownload(engine, workspace, host);

  QV_FUZZ_CHECK(result.outcome != qv::DownloadOutcome::Busy && !engine.Running());
  QV_FUZZ_CHECK(!wire->IsOpen());
  QV_FUZZ_CHECK(result.badPages >= 0 && result.droppedPages >= 0);
  if (result.ok()) QV_FUZZ_CHECK(result.memory == host.memory);
  CheckDocument(workspace.Doc());
  // For a look at what one input came to (are the seeds still whole downloads?).
  if (std::getenv("QV_FUZZ_VERBOSE") != nullptr) {
    std::fprintf(stderr, "outcome %d, %zu tests, %zu blocks, %d bad and %d dropped pages\n",
                 static_cast<int>(result.outcome), workspace.Doc().AllTests.size(),
                 workspace.Doc().LoggerBlocks.size(), result.badPages, result.droppedPages);
  }
  return 0;
}
