#include "memimage/MemoryImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace qv::emu {

namespace {

constexpr char kMagic[8] = {'Q', 'V', 'M', 'E', 'M', 'I', 'M', 'G'};

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

// Appends bytes to a page under construction and notes when they would not fit.
class PageWriter {
 public:
  PageWriter() { page_.fill(0); }
  void Put(uint8_t b) {
    if (pos_ < kPageSize) page_[pos_] = b;
    ++pos_;
  }
  void Put(const uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i)
      Put(data[i]);
  }
  void PutText(const std::string& text) {
    Put(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    Put(0);
  }
  void PutFloat(float v) { Put(EncodeFloatBE(v).data(), 4); }
  void PutValues(int quantity, const std::array<float, 4>& v) {
    Put(static_cast<uint8_t>(quantity));
    Put(0);
    for (float x : v)
      PutFloat(x);
  }
  void PutParams(const CalcParams& p) {
    Put(kParameterEntry);
    Put(0);
    Put(static_cast<uint8_t>(p.mode));
    PutFloat(p.altitude);
    if (p.mode == 1) {
      PutFloat(p.sideA);
      PutFloat(p.sideB);
    } else if (p.mode == 0) {
      PutFloat(p.radius);
    }
    PutFloat(p.metabolicRate);
    PutFloat(p.clothing);
  }
  void PutHead(int kind, const std::array<uint8_t, 6>& begin, const std::array<uint8_t, 6>& end) {
    pos_ = 8;
    Put(static_cast<uint8_t>(kind));
    Put(0);
    Put(begin.data(), 6);
    Put(end.data(), 6);
  }
  // Writes the data length (E - 6, E being the position reached) and the checksum.
  std::optional<Page> Finish(std::optional<int> dataLength, const std::string& what,
                             std::string* error) {
    if (pos_ > kPageSize) {
      Fail(error, what + ": the page content needs " + std::to_string(pos_) +
                      " bytes, a page holds " + std::to_string(kPageSize));
      return std::nullopt;
    }
    PutBe16(page_.data() + 4, static_cast<uint32_t>(dataLength.value_or(pos_ - 6)));
    SealPage(page_.data());
    return page_;
  }

 private:
  Page page_{};
  int pos_ = 0;
};

}  // namespace

const Page* MemoryImage::Find(int address) const {
  auto it = pages.find(address);
  return it == pages.end() ? nullptr : &it->second;
}

std::optional<Page> BuildResultPage(const ResultTest& test, std::string* error) {
  PageWriter w;
  w.PutHead(test.kind, test.begin.Bytes(), test.end.Bytes());
  w.PutText(test.buildingName);
  w.PutText(test.roomName);
  if (test.kind == 1) {
    w.Put(static_cast<uint8_t>(test.unitByte));
    for (const QuantityValues& q : test.values)
      w.PutValues(q.quantity, q.values);
    if (test.params) w.PutParams(*test.params);
  }
  return w.Finish(test.dataLength,
                  "result test at building " + std::to_string(test.buildingNo) + " room " +
                      std::to_string(test.roomNo),
                  error);
}

std::optional<Page> BuildLoggingPage(const LoggingBlock& block, int sample, std::string* error) {
  const std::string what =
      "logging block starting " + FormatStamp(block.start) + ", sample " + std::to_string(sample);
  if (sample < 0 || sample >= static_cast<int>(block.samples.size())) {
    Fail(error, what + ": no such sample");
    return std::nullopt;
  }
  const auto& row = block.samples[sample];
  if (row.size() != block.quantities.size()) {
    Fail(error, what + ": " + std::to_string(row.size()) + " values for " +
                    std::to_string(block.quantities.size()) + " quantities");
    return std::nullopt;
  }
  PageWriter w;
  w.PutHead(1, BcdDateTime(block.SampleBegin(sample)), BcdDateTime(block.SampleBegin(sample + 1)));
  w.PutText(block.buildingName);
  w.PutText(block.roomName);
  w.Put(static_cast<uint8_t>(block.unitByte));
  for (size_t i = 0; i < row.size(); ++i)
    w.PutValues(block.quantities[i], row[i]);
  if (block.params) w.PutParams(*block.params);
  return w.Finish(std::nullopt, what, error);
}

ByteVec BuildSettingsBlock(const Identification& id) {
  ByteVec out;
  for (const std::string* text : {&id.type, &id.code, &id.producer, &id.firmware, &id.unused,
                                  &id.serial, &id.resultsPercent, &id.loggingPercent}) {
    out.insert(out.end(), text->begin(), text->end());
    out.push_back(0);
  }
  out.insert(out.end(), id.extra.begin(), id.extra.end());
  return out;
}

std::optional<PagePlan> PlanPages(const MemoryModel& model, std::string* error) {
  PagePlan plan;
  std::set<int> used;
  auto claim = [&](int address, const std::string& what) {
    if (address < 0 || address > 0xFFFF)
      return Fail(error, what + ": page address " + std::to_string(address) + " is not 0..65535");
    if (!used.insert(address).second)
      return Fail(error, what + ": page address " + std::to_string(address) + " is used twice");
    return true;
  };
  for (const ResultTest& t : model.results)
    if (t.page >= 0 && !claim(t.page, "result test")) return std::nullopt;
  for (const LoggingBlock& b : model.blocks)
    for (int a : b.pages)
      if (!claim(a, "logging block")) return std::nullopt;

  int next = std::max(model.firstPage, 0);
  auto allocate = [&]() {
    while (used.count(next))
      ++next;
    used.insert(next);
    return next++;
  };
  for (const ResultTest& t : model.results)
    plan.resultPages.push_back(t.page >= 0 ? t.page : -1);
  for (int& a : plan.resultPages)
    if (a < 0) a = allocate();
  auto beyond = [&]() {
    if (next <= 0x10000) return false;
    Fail(error, "the memory needs page addresses beyond 65535");
    return true;
  };
  if (beyond()) return std::nullopt;
  int number = 0;
  for (const LoggingBlock& b : model.blocks) {
    const int count = static_cast<int>(b.samples.size());
    if (!b.pages.empty() && static_cast<int>(b.pages.size()) != count) {
      Fail(error, "logging block starting " + FormatStamp(b.start) + ": " +
                      std::to_string(b.pages.size()) + " page addresses for " +
                      std::to_string(count) + " samples");
      return std::nullopt;
    }
    std::vector<int> pages = b.pages;
    while (static_cast<int>(pages.size()) < count)
      pages.push_back(allocate());
    if (beyond()) return std::nullopt;
    plan.blockPages.push_back(std::move(pages));
    number = b.number > 0 ? b.number : number % 63 + 1;
    plan.blockNumbers.push_back(number);
  }
  return plan;
}

std::optional<MemoryImage> BuildImage(const MemoryModel& model, std::string* error) {
  const std::optional<PagePlan> plan = PlanPages(model, error);
  if (!plan) return std::nullopt;
  MemoryImage image;
  image.settings = model.rawSettings ? *model.rawSettings : BuildSettingsBlock(model.ident);

  auto entry = [&](int address, uint8_t b2, uint8_t b3, const std::array<uint8_t, 3>& date,
                   uint8_t flags) {
    uint8_t e[8] = {0, 0, b2, b3, date[0], date[1], date[2], flags};
    PutBe16(e, static_cast<uint32_t>(address));
    image.directory.insert(image.directory.end(), e, e + 8);
  };

  for (size_t i = 0; i < model.results.size(); ++i) {
    const ResultTest& t = model.results[i];
    const std::optional<Page> page = BuildResultPage(t, error);
    if (!page) return std::nullopt;
    const int address = plan->resultPages[i];
    image.pages[address] = *page;
    entry(address, static_cast<uint8_t>(t.buildingNo), static_cast<uint8_t>(t.roomNo), {0, 0, 0},
          t.deleted ? 0x40 : 0x00);
  }
  for (size_t bi = 0; bi < model.blocks.size(); ++bi) {
    const LoggingBlock& b = model.blocks[bi];
    const std::vector<int>& pages = plan->blockPages[bi];
    if (pages.empty()) {
      Fail(error, "logging block starting " + FormatStamp(b.start) + " has no samples");
      return std::nullopt;
    }
    const int number = plan->blockNumbers[bi];
    if (number < 1 || number > 63) {
      Fail(error, "logging block number " + std::to_string(number) + " is not 1..63");
      return std::nullopt;
    }
    for (size_t k = 0; k < pages.size(); ++k) {
      const std::optional<Page> page = BuildLoggingPage(b, static_cast<int>(k), error);
      if (!page) return std::nullopt;
      image.pages[pages[k]] = *page;
      uint8_t flags = static_cast<uint8_t>(number);
      if (b.deleted) flags |= 0x40;
      if (b.endBit && k + 1 == pages.size()) flags |= 0x80;
      entry(pages[k], 0, 0, BcdDate(b.start), flags);
    }
  }
  uint8_t sum[4];
  PutBe32(sum, ByteSum(image.directory.data(), image.directory.size()));
  image.directory.insert(image.directory.end(), sum, sum + 4);
  if (image.directory.size() > 0xFFFFFF || image.settings.size() > 0xFFFFFF) {
    Fail(error, "the directory or the settings block is longer than a 24-bit length");
    return std::nullopt;
  }
  for (int a : model.badChecksumPages) {
    auto it = image.pages.find(a);
    if (it != image.pages.end()) it->second[3] ^= 0x5A;
  }
  return image;
}

bool IsBinaryImage(const ByteVec& bytes) {
  return bytes.size() >= sizeof kMagic && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

ByteVec SaveBinaryImage(const MemoryImage& image) {
  // Sized once and filled in place: growing the vector piece by piece made GCC 12 at -O3 report
  // false -Warray-bounds and -Wstringop-overflow inside libstdc++'s insert.
  ByteVec out(sizeof kMagic + 4 + 4 + image.settings.size() + 4 + image.directory.size() + 4 +
              image.pages.size() * (2 + kPageSize));
  uint8_t* at = out.data();
  const auto put = [&at](const auto* bytes, size_t count) {
    if (count != 0) std::memcpy(at, bytes, count);
    at += count;
  };
  const auto put32 = [&at](uint32_t v) {
    PutBe32(at, v);
    at += 4;
  };
  put(kMagic, sizeof kMagic);
  const uint8_t version[4] = {1, 0, 0, 0};
  put(version, sizeof version);
  put32(static_cast<uint32_t>(image.settings.size()));
  put(image.settings.data(), image.settings.size());
  put32(static_cast<uint32_t>(image.directory.size()));
  put(image.directory.data(), image.directory.size());
  put32(static_cast<uint32_t>(image.pages.size()));
  for (const auto& [address, page] : image.pages) {
    PutBe16(at, static_cast<uint32_t>(address));
    at += 2;
    put(page.data(), page.size());
  }
  return out;
}

std::optional<MemoryImage> LoadBinaryImage(const ByteVec& bytes, std::string* error) {
  if (!IsBinaryImage(bytes) || bytes.size() < 12 || bytes[8] != 1) {
    Fail(error, "not a memory image of version 1");
    return std::nullopt;
  }
  size_t pos = 12;
  auto need = [&](size_t n) { return n <= bytes.size() - pos; };
  auto get32 = [&](uint32_t& v) {
    if (!need(4)) return false;
    v = GetBe32(bytes.data() + pos);
    pos += 4;
    return true;
  };
  auto getBlock = [&](ByteVec& out) {
    uint32_t n = 0;
    if (!get32(n) || !need(n)) return false;
    out.assign(bytes.begin() + pos, bytes.begin() + pos + n);
    pos += n;
    return true;
  };
  MemoryImage image;
  uint32_t count = 0;
  if (!getBlock(image.settings) || !getBlock(image.directory) || !get32(count)) {
    Fail(error, "the memory image ends early");
    return std::nullopt;
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (!need(2 + kPageSize)) {
      Fail(error, "the memory image ends inside page " + std::to_string(i));
      return std::nullopt;
    }
    const int address = bytes[pos] << 8 | bytes[pos + 1];
    pos += 2;
    Page& page = image.pages[address];
    std::copy_n(bytes.begin() + pos, kPageSize, page.begin());
    pos += kPageSize;
  }
  if (pos != bytes.size()) {
    Fail(error, "the memory image has " + std::to_string(bytes.size() - pos) +
                    " bytes after its last page");
    return std::nullopt;
  }
  return image;
}

std::optional<MemoryImage> LoadMemoryFile(const std::string& path, std::string* error,
                                          MemoryModel* modelOut) {
  // Opened without waiting, so that a FIFO with no writer cannot block; only a regular file is
  // read, and no more of it than a memory can take (a device such as /dev/zero never ends).
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(error, "cannot open " + path + ": " + std::strerror(errno));
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    Fail(error, path + (S_ISDIR(st.st_mode) ? " is a folder" : " is not a regular file") +
                    ": a memory is a JSON description or a binary image file");
    return std::nullopt;
  }
  const auto tooLarge = [&] {
    Fail(error, path + " is larger than " + std::to_string(kMaxMemoryFileBytes >> 20) +
                    " MB, more than any description of an instrument memory takes");
    return std::nullopt;
  };
  if (st.st_size > kMaxMemoryFileBytes) {
    ::close(fd);
    return tooLarge();
  }
  ByteVec bytes(static_cast<size_t>(st.st_size));
  size_t have = 0;
  // The size is checked again as the bytes come: a file may grow between the look and the read.
  for (;;) {
    if (have == bytes.size()) {
      if (bytes.size() > static_cast<size_t>(kMaxMemoryFileBytes)) break;
      bytes.resize(std::min<size_t>(bytes.size() + (size_t{1} << 20),
                                    static_cast<size_t>(kMaxMemoryFileBytes) + 1));
    }
    const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const std::string why = std::strerror(errno);
      ::close(fd);
      Fail(error, "cannot read " + path + ": " + why);
      return std::nullopt;
    }
    if (got == 0) break;
    have += static_cast<size_t>(got);
  }
  ::close(fd);
  bytes.resize(have);
  if (have > static_cast<size_t>(kMaxMemoryFileBytes)) return tooLarge();
  std::string why;
  if (IsBinaryImage(bytes)) {
    auto image = LoadBinaryImage(bytes, &why);
    if (!image) Fail(error, path + ": " + why);
    return image;
  }
  std::optional<MemoryModel> model = ParseMemoryJson(bytes, &why);
  if (!model) {
    Fail(error, path + ": " + why);
    return std::nullopt;
  }
  auto image = BuildImage(*model, &why);
  if (!image) {
    Fail(error, path + ": " + why);
    return std::nullopt;
  }
  if (modelOut) *modelOut = std::move(*model);
  return image;
}

}  // namespace qv::emu
