// The one scripted person of the core tests: answers a download's and a workspace's questions
// from a script and records, in order, what a person would have seen.
#pragma once

#include "download/DownloadHost.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

class ScriptedHost : public DownloadHost {
 public:
  // `log` (when given) receives "ask KEY", "save", "tell TEXT" and "list" beside what else a
  // test writes there (the workspace's notifications).
  explicit ScriptedHost(std::vector<std::string>* log = nullptr) : log_(log) {}

  // LinkHost
  void Pump() override {
    if (onPump) onPump();
  }
  // DocumentHost
  bool Ask(std::string_view key) override {
    asked.emplace_back(key);
    Log("ask " + std::string(key));
    const bool yes = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return yes;
  }
  bool SaveAs() override {
    ++saves;
    Log("save");
    return saveSucceeds;
  }
  void Message(MessageIcon, const Bytes& text) override {
    messages.push_back(text);
    events.push_back(transferShown ? "message over the transfer box" : "message");
    Log("tell " + text);
  }
  // The block list in show mode: `chooseShow` when set; else the next of `marks` (the block to
  // mark, -1 none, -2 cancels); with none left, the last block, or a cancel when
  // `cancelUnscriptedLists`.
  bool ChooseBlockToShow(std::vector<TLoggerRecord>& blocks) override {
    ++showLists;
    Log("list");
    if (chooseShow) return chooseShow(blocks);
    if (!marks.empty()) {
      const int mark = marks.front();
      marks.pop_front();
      if (mark == -2) return false;
      for (size_t i = 0; i < blocks.size(); ++i)
        blocks[i].Selected = static_cast<int>(i) == mark;
      return true;
    }
    if (blocks.empty() || cancelUnscriptedLists) return false;
    blocks.back().Selected = 1;
    return true;
  }
  // DownloadHost
  std::optional<MemoryChoice> ChooseMemory() override {
    if (transferShown) events.push_back("question under the transfer box");
    return memory;
  }
  bool ChooseBlocksToDownload(std::vector<TLoggerRecord>& blocks) override {
    if (transferShown) events.push_back("question under the transfer box");
    ++downloadLists;
    return chooseDownload ? chooseDownload(blocks) : MarkAll(blocks);
  }
  void InstrumentIdentified(const TInstrumentData& info) override {
    identified = info.InstrumentType + " " + info.SerialNumber;
  }
  void Connecting(const Bytes& activity) override {
    transferShown = true;
    activities.push_back(activity);
  }
  void TransferStarted(const Bytes& activity) override {
    transferShown = true;
    activities.push_back(activity);
  }
  void Progress(int percent) override {
    progress.push_back(percent);
    if (onProgress) onProgress(percent);
  }
  void TransferEnded() override { transferShown = false; }

  static bool MarkAll(std::vector<TLoggerRecord>& blocks) {
    for (TLoggerRecord& b : blocks)
      b.Selected = 1;
    return true;
  }

  // Answers
  std::deque<bool> answers;  // to the questions in turn; No once none is left
  bool saveSucceeds = false;
  std::deque<int> marks;
  bool cancelUnscriptedLists = false;
  std::optional<MemoryChoice> memory = MemoryChoice::Results;
  std::function<bool(std::vector<TLoggerRecord>&)> chooseDownload;
  std::function<bool(std::vector<TLoggerRecord>&)> chooseShow;
  std::function<void()> onPump;
  std::function<void(int)> onProgress;

  // What was seen
  std::vector<Bytes> messages;
  std::vector<std::string> events;
  std::vector<Bytes> activities;
  Bytes identified;
  std::vector<std::string> asked;
  std::vector<int> progress;
  int saves = 0;
  int downloadLists = 0;
  int showLists = 0;
  bool transferShown = false;

 private:
  void Log(std::string entry) {
    if (log_ != nullptr) log_->push_back(std::move(entry));
  }
  std::vector<std::string>* log_;
};

}  // namespace qv::test
