// An instrument memory as bytes: the settings block, the memory directory (entries and
// checksum) and the 264-byte pages by address. Built from a MemoryModel, or read from a raw
// binary container or a JSON description (README.md in tools/emulator describes both).
#pragma once

#include "memimage/MemoryModel.h"

#include <map>
#include <optional>
#include <string>

namespace qv::emu {

using Page = std::array<uint8_t, kPageSize>;

struct MemoryImage {
  ByteVec settings;
  ByteVec directory;  // 8-byte entries, then the 4-byte checksum
  std::map<int, Page> pages;

  // The page at an address, nullptr when the memory has none there.
  const Page* Find(int address) const;
};

// The bytes of one page, checksum included. Errors (content beyond 264 bytes, a bad sample
// row) leave `error` set and return nullopt.
std::optional<Page> BuildResultPage(const ResultTest& test, std::string* error);
std::optional<Page> BuildLoggingPage(const LoggingBlock& block, int sample, std::string* error);
// The settings block of the identification: eight NUL-ended texts, then the extra bytes.
ByteVec BuildSettingsBlock(const Identification& ident);

// The page addresses the model uses, in directory order: result pages first, then every
// block's pages. Automatic addresses count up from firstPage, skipping explicit ones.
struct PagePlan {
  std::vector<int> resultPages;              // one per result test
  std::vector<std::vector<int>> blockPages;  // one list per logging block
  std::vector<int> blockNumbers;             // block number 1..63 of each block
};
std::optional<PagePlan> PlanPages(const MemoryModel& model, std::string* error);

std::optional<MemoryImage> BuildImage(const MemoryModel& model, std::string* error);

// The raw binary container: "QVMEMIMG", version 1 and three zero bytes, then the settings
// block and the directory each as a 32-bit big-endian length and the bytes, then a 32-bit
// page count and per page a 16-bit address and 264 bytes.
ByteVec SaveBinaryImage(const MemoryImage& image);
std::optional<MemoryImage> LoadBinaryImage(const ByteVec& bytes, std::string* error);
bool IsBinaryImage(const ByteVec& bytes);

// A JSON description (see README.md) into a model.
std::optional<MemoryModel> ParseMemoryJson(const ByteVec& json, std::string* error);

// The largest memory file read: a binary image of all 65536 pages takes 17 MB, and a JSON
// description of as many pages with every number written out in full stays below this.
inline constexpr int64_t kMaxMemoryFileBytes = int64_t{128} << 20;

// Reads a file holding a JSON description or a binary container. For JSON the model is
// returned in `model` when given. Anything but a regular file (a FIFO, a device, a folder) and
// a file larger than kMaxMemoryFileBytes are refused unread.
std::optional<MemoryImage> LoadMemoryFile(const std::string& path, std::string* error,
                                          MemoryModel* model = nullptr);

}  // namespace qv::emu
