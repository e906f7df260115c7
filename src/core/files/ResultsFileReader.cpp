#include "files/ResultsFile.h"

#include "app/TextCatalog.h"
#include "format/NumberText.h"
#include "format/ValueFormat.h"
#include "memory/SettingsBlock.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace qv {
namespace {

constexpr char kEscape = '\xFF';

// Lines end at CR; an LF right after the CR belongs to the line end, any other LF is an
// ordinary byte. A file whose first line ends in a bare LF was copied through a system that
// ends lines with LF alone: its lines end at LF (a CR before it belongs to the line end).
// Free-text sections are read byte by byte from the same position.
class Cursor {
 public:
  explicit Cursor(std::string_view data) : data_(data) {
    const size_t first = data_.find_first_of("\r\n");
    lfLines_ = first != std::string_view::npos && data_[first] == '\n';
  }

  bool AtEnd() const { return pos_ >= data_.size(); }
  size_t Remaining() const { return AtEnd() ? 0 : data_.size() - pos_; }
  int LineNumber() const { return line_; }
  bool LfLines() const { return lfLines_; }
  bool StartsWith(std::string_view prefix) const {
    return data_.substr(std::min(pos_, data_.size())).starts_with(prefix);
  }

  // The next line; an empty one at the end of the input.
  std::string_view NextLine() {
    if (AtEnd()) return {};
    ++line_;
    const size_t start = pos_;
    const char end = lfLines_ ? '\n' : '\r';
    const void* found = std::memchr(data_.data() + start, end, data_.size() - start);
    size_t stop =
        found ? static_cast<size_t>(static_cast<const char*>(found) - data_.data()) : data_.size();
    pos_ = stop;
    SkipLineEnd();
    if (lfLines_ && stop > start && data_[stop - 1] == '\r') --stop;
    return data_.substr(start, stop - start);
  }

  // With LF line ends, the empty line that follows a line here (a logged sample's line ends in
  // LF before its CR LF, which became two LFs); nothing otherwise.
  void SkipSampleLineEnd() {
    if (lfLines_ && pos_ < data_.size() && data_[pos_] == '\n') {
      ++pos_;
      ++line_;
    }
  }

  // Skips lines up to one equal to `tag` (consumed); false at the end of the input.
  bool SkipTo(std::string_view tag) {
    while (!AtEnd()) {
      if (NextLine() == tag) return true;
    }
    return false;
  }

  // Skips lines up to one starting with `prefix` and returns it; empty at the end.
  std::string_view SkipToPrefix(std::string_view prefix) {
    while (!AtEnd()) {
      const std::string_view line = NextLine();
      if (line.starts_with(prefix)) return line;
    }
    return {};
  }

  // The next byte as it stands, or -1 at the end (free text keeps CR and LF bytes).
  int NextByte() {
    if (AtEnd()) return -1;
    const char c = data_[pos_++];
    if (c == (lfLines_ ? '\n' : '\r')) ++line_;
    return static_cast<unsigned char>(c);
  }

 private:
  void SkipLineEnd() {
    if (pos_ >= data_.size()) return;
    if (lfLines_) {
      ++pos_;  // the LF
      return;
    }
    if (data_[pos_] == '\r') {
      ++pos_;
      if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
    }
  }

  std::string_view data_;
  size_t pos_ = 0;
  int line_ = 0;
  bool lfLines_ = false;
};

// A text from the file in a message: bounded, and without control bytes, so that it stays one
// line wherever it is shown.
Bytes Quoted(std::string_view text) {
  constexpr size_t kMax = 40;
  Bytes out = "'";
  for (size_t i = 0; i < text.size() && i < kMax; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 ? '?' : static_cast<char>(c);
  }
  if (text.size() > kMax) out += "...";
  out += '\'';
  return out;
}

// Stops the reading with a message; thrown only inside this file and caught by the reader.
struct ReadError {
  Bytes message;
};

// The line just read, for messages; a file that ended says so.
Bytes Where(const Cursor& at) {
  const Bytes line = std::to_string(at.LineNumber());
  return at.AtEnd() ? " (the file ends at line " + line + ")" : " (line " + line + ")";
}

[[noreturn]] void BadNumber(std::string_view text, const char* what, const Cursor& at) {
  throw ReadError{Quoted(text) + " is not a valid " + what + Where(at)};
}

[[noreturn]] void OutOfRange(std::string_view text, const char* what, const Cursor& at) {
  throw ReadError{Quoted(text) + " is out of range for " + what + Where(at)};
}

int32_t Integer(std::string_view text, const Cursor& at) {
  const std::optional<int32_t> v = TextToInt(text);
  if (!v) BadNumber(text, "integer value", at);
  return *v;
}

double Real(std::string_view text, const Cursor& at) {
  const std::optional<double> v = TextToNumber(text);
  if (!v) BadNumber(text, "floating point value", at);
  return *v;
}

// A count from its own line, within 0..max.
int32_t Count(std::string_view text, int32_t max, const char* what, const Cursor& at) {
  const int32_t v = Integer(text, at);
  if (v < 0 || v > max) OutOfRange(text, what, at);
  return v;
}

// Calls f(token) for each ";"-terminated token of a text, in order, until f returns false;
// what follows the last ";" is not a token.
template <class F>
void ForEachToken(std::string_view text, F&& f) {
  for (size_t start = 0;;) {
    const size_t end = text.find(';', start);
    if (end == std::string_view::npos || !f(text.substr(start, end - start))) return;
    start = end + 1;
  }
}

// The first `n` tokens (fewer when the text has fewer).
template <size_t n>
std::array<std::string_view, n> FirstTokens(std::string_view text, size_t& count) {
  std::array<std::string_view, n> tokens;
  count = 0;
  ForEachToken(text, [&](std::string_view token) {
    tokens[count++] = token;
    return count < n;
  });
  return tokens;
}

std::string_view From(std::string_view line, size_t offset) {
  return offset < line.size() ? line.substr(offset) : std::string_view();
}

// The text after `label` up to the last ";" (the whole rest when there is none).
std::string_view Labelled(std::string_view line, std::string_view label) {
  std::string_view rest = From(line, label.size());
  const size_t semicolon = rest.rfind(';');
  return semicolon == std::string_view::npos ? rest : rest.substr(0, semicolon);
}

// The text without its NUL bytes; `storage` holds a copy only when there were any.
std::string_view WithoutNul(std::string_view text, Bytes& storage) {
  if (text.find('\0') == std::string_view::npos) return text;
  storage.clear();
  for (const char c : text) {
    if (c != '\0') storage += c;
  }
  return storage;
}

// A value or sample token: "---" (blanks around allowed) and an empty token are no value.
double ValueToken(std::string_view token, const Cursor& at) {
  const std::optional<double> v = TextToNumber(token);
  if (v) return *v;
  size_t first = token.find_first_not_of(" \t\n");
  size_t last = token.find_last_not_of(" \t\n");
  const std::string_view core =
      first == std::string_view::npos ? std::string_view() : token.substr(first, last - first + 1);
  if (core.empty() || core == kNoValueText) return NoValue;
  BadNumber(token, "floating point value", at);
}

struct CalculationParameters {
  int32_t ductShape = -1;
  double reals[6] = {-1, -1, -1, -1, -1, -1};
};

// Up to seven ";"-terminated fields: the duct shape, then the six reals in record order.
CalculationParameters ParseParameters(std::string_view fields, const Cursor& at) {
  Bytes storage;
  size_t count = 0;
  const std::array<std::string_view, 7> tokens = FirstTokens<7>(WithoutNul(fields, storage), count);
  CalculationParameters p;
  for (size_t i = 0; i < count; ++i) {
    if (i == 0) {
      p.ductShape = Integer(tokens[0], at);
    } else {
      p.reals[i - 1] = Real(tokens[i], at);
    }
  }
  return p;
}

template <class Record>
void Apply(const CalculationParameters& p, Record& r) {
  r.Params.DuctShape = p.ductShape;
  r.Params.Altitude = p.reals[0];
  r.Params.SideA = p.reals[1];
  r.Params.SideB = p.reals[2];
  r.Params.Radius = p.reals[3];
  r.Params.MetabolicRate = p.reals[4];
  r.Params.Clothing = p.reals[5];
}

// Comments and instrument data: bytes up to "ÿ;". In both "ÿ*" stands for 0xFF; "ÿ=" is a
// line break only in comments and "ÿ?" a NUL only in the instrument data; 0xFF before any
// other byte stands for nothing.
Bytes FreeText(Cursor& in, bool comments) {
  Bytes out;
  for (;;) {
    const int c = in.NextByte();
    if (c < 0) break;
    if (c != static_cast<unsigned char>(kEscape)) {
      out += static_cast<char>(c);
      continue;
    }
    const int e = in.NextByte();
    if (e < 0 || e == ';') break;
    if (e == '*') {
      out += kEscape;
    } else if (e == '=' && comments) {
      out += "\r\n";
    } else if (e == '?' && !comments) {
      out += '\0';
    }
  }
  return out;
}

class Reader {
 public:
  Reader(std::string_view bytes, Document& doc, const TextCatalog& texts)
      : in_(bytes), doc_(doc), texts_(texts) {}

  OpenOutcome Run() {
    try {
      Read();
    } catch (const ReadError& e) {
      // Any other version text is read as Ver_1; when that fails, the version is the cause.
      const bool unknownVersion = versionLine_ && result_.versionText != "Ver_1" &&
                                  result_.versionText != "Ver_2" && result_.versionText != "Ver_3";
      result_.outcome = Outcome::Failure(
          unknownVersion ? "The file version " + Quoted(result_.versionText) + " (line " +
                               std::to_string(versionLine_) +
                               ") is not one this program knows (Ver_1, Ver_2, Ver_3); read as "
                               "Ver_1, the file fails: " +
                               e.message
                         : e.message);
    }
    if (cutTexts_ > 0) {
      result_.warnings.push_back(
          cutTexts_ == 1
              ? "The " + firstCut_ + " is " + std::to_string(firstCutSize_) +
                    " bytes long, longer than any this program writes; only its first " +
                    std::to_string(kMaxNameBytes) + " bytes are kept."
              : std::to_string(cutTexts_) + " texts are longer than any this program writes (the " +
                    "first: the " + firstCut_ + ", " + std::to_string(firstCutSize_) +
                    " bytes); only the first " + std::to_string(kMaxNameBytes) +
                    " bytes of each are kept.");
    }
    return std::move(result_);
  }

 private:
  [[noreturn]] void NotCorrect(const char* suffix) {
    throw ReadError{texts_.Translate("msgFileNotCorrect_35") + suffix};
  }

  // A name or other one-line text as kept: at most kMaxNameBytes, the rest counted for the
  // warning. `what` names it in that warning ("building name of test 3").
  Bytes Text(std::string_view text, const std::function<std::string()>& what) {
    if (text.size() <= kMaxNameBytes) return Bytes(text);
    if (cutTexts_++ == 0) {
      firstCut_ = what();
      firstCutSize_ = text.size();
    }
    return Bytes(text.substr(0, kMaxNameBytes));
  }

  void Read() {
    doc_.Kind = DocumentKind::None;

    // An editor that saved the file as UTF-8 put this mark first; every line would then be read
    // as something it is not.
    if (in_.Remaining() >= 3 && in_.StartsWith("\xEF\xBB\xBF")) {
      throw ReadError{
          "The file begins with a UTF-8 byte order mark: another program saved it as UTF-8 text, "
          "which a results file never is. Save it again as windows-1252 text (windows-1250 for "
          "Czech and Slovenian texts) without the mark."};
    }

    result_.versionText = "Ver_1";
    while (!in_.AtEnd()) {
      const std::string_view line = in_.NextLine();
      if (line == "$FileVersion%") {
        result_.versionText = Text(in_.NextLine(), [] { return std::string("version line"); });
        versionLine_ = in_.LineNumber();
      } else if (line == "$FileName%") {
        result_.fileName = Text(in_.NextLine(), [] { return std::string("file name line"); });
        break;
      }
    }
    result_.version = result_.versionText == "Ver_3" ? 3 : result_.versionText == "Ver_2" ? 2 : 1;

    PrintHeader& header = doc_.Header;
    in_.SkipTo("$PrintHeader%");
    for (Bytes& text : header.Lines)
      text = Text(in_.NextLine(), [] { return std::string("print header line"); });

    if (!in_.SkipTo("$ProbesData%")) NotCorrect("   Error #1A");
    const auto probe = [&](int p) {
      header.ProbeSerNo[p] = Text(in_.NextLine(), [] { return std::string("probe text"); });
      header.ProbeType[p] = Text(in_.NextLine(), [] { return std::string("probe text"); });
    };
    for (int p = PrintHeader::Temp; p <= PrintHeader::Lum; ++p)
      probe(p);
    if (result_.version >= 2) {
      probe(PrintHeader::CO2);
      probe(PrintHeader::CO);
    }
    probe(PrintHeader::Adap);

    if (!in_.SkipTo("$Comments%")) NotCorrect("   Error #1B");
    header.Comments = FreeText(in_, true);

    in_.SkipTo("$InstrData%");
    doc_.InstrumentInfo.SettingsBlock = FreeText(in_, false);
    DecodeIdentification(doc_.InstrumentInfo.SettingsBlock, doc_.InstrumentInfo);

    if (!in_.SkipTo("$MEASUREMENTS%")) NotCorrect("   Error #1");
    const std::string_view kind = in_.NextLine();
    doc_.ClearReportChoice();
    if (kind == "$QUOR-Tests%") {
      result_.kind = MeasurementsKind::Tests;
      doc_.Kind = DocumentKind::Results;
      FormatDigit();
      ReadResults();
    } else if (kind == "$QUOR-Logger%") {
      result_.kind = MeasurementsKind::Logger;
      doc_.Kind = DocumentKind::Logging;
      doc_.LoggerBlocks.clear();
      FormatDigit();
      ReadBlocks();
    }
  }

  void FormatDigit() {
    const std::string_view line = in_.NextLine();
    const std::string_view digit = line.size() >= 7 ? line.substr(6, 1) : std::string_view();
    result_.formatDigit = Integer(digit, in_);
  }

  std::string_view LineAfter(std::string_view tag) {
    in_.SkipTo(tag);
    return in_.NextLine();
  }

  void ReadResults() {
    doc_.AllTests.clear();
    doc_.ShownTests.clear();
    doc_.DocSignals.fill(0);
    doc_.ColumnSignals.fill(0);
    doc_.DocSignalCount = doc_.ColumnCount = 0;

    const std::string_view signalCount = LineAfter("$SignalCount%");
    doc_.DocSignalCount = doc_.ColumnCount =
        Count(signalCount, kMaxSignalCode, "a signal count", in_);

    const std::string_view signalLine = LineAfter("$Signals%");
    int entry = 0;
    ForEachToken(signalLine, [&](std::string_view token) {
      const int32_t code = Integer(token, in_);
      // The lists have room for every code once; a longer list has nowhere to go.
      if (entry < kMaxSignalCode) {
        ++entry;
        doc_.DocSignals[entry] = doc_.ColumnSignals[entry] = code;
      }
      return true;
    });

    const std::string_view testCount = LineAfter("$TestCount%");
    const int32_t count = Count(testCount, kMaxTestsInFile, "a test count", in_);
    // Room for the tests the rest of the file can hold, so that the list is never copied while
    // it grows; no result takes fewer than 64 bytes.
    doc_.AllTests.reserve(std::min<size_t>(static_cast<size_t>(count), in_.Remaining() / 64 + 1));

    std::vector<int> order;
    for (int32_t t = 0; t < count; ++t) {
      // Each result needs its lines: at the end of the input the Location line below fails,
      // so a count larger than the file never makes more than one empty result.
      const int index = doc_.AddTestRecord();
      ReadResult(index, order);
    }
    doc_.ShowAllTests();
  }

  void ReadResult(int index, std::vector<int>& order) {
    TTestsRecord& t = doc_.AllTests[index];
    order.clear();
    std::string_view line = in_.SkipToPrefix("Signals:");
    t.SignalPresent.fill(0);
    ForEachToken(From(line, 9), [&](std::string_view token) {
      const int32_t code = Integer(token, in_);
      if (code >= 1 && code <= kMaxSignalCode) t.SignalPresent[code] = 1;
      order.push_back(code);
      return true;
    });

    line = in_.SkipToPrefix("Units:");
    const std::string_view units = From(line, 7);
    const auto ofTest = [index](const char* text) {
      return [index, text] { return std::string(text) + " of test " + std::to_string(index + 1); };
    };
    t.UnitSystem = Text(units.substr(0, units.find(';')), ofTest("unit text"));

    line = in_.SkipToPrefix("Location H/R:");
    size_t found = 0;
    const std::array<std::string_view, 2> location = FirstTokens<2>(From(line, 14), found);
    t.BuildingNo = Integer(location[0], in_);
    t.RoomNo = Integer(location[1], in_);

    t.BuildingName = Text(Labelled(in_.SkipToPrefix("BuildingName:"), "BuildingName: "),
                          ofTest("building name"));
    t.RoomName = Text(Labelled(in_.SkipToPrefix("RoomName:"), "RoomName: "), ofTest("room name"));
    line = in_.SkipToPrefix("BeginTime:");
    t.BeginTime = Real(Labelled(line, "BeginTime:"), in_);
    line = in_.SkipToPrefix("EndTime:");
    t.EndTime = Real(Labelled(line, "EndTime:"), in_);

    CalculationParameters params;
    if (result_.version == 3) {
      line = in_.SkipToPrefix("Instrument Settings:");
      params = ParseParameters(From(line, 20), in_);
    }
    Apply(params, t);

    Bytes storage;
    size_t k = 0;
    ForEachToken(WithoutNul(in_.NextLine(), storage), [&](std::string_view token) {
      if (k == order.size()) return false;
      // The blank code carries no number; any text stands for it.
      const double v = order[k] == kMaxSignalCode ? NoValue : ValueToken(token, in_);
      doc_.StoreTestValue(index, order[k++], v);
      return true;
    });
  }

  void ReadBlocks() {
    const std::string_view blockCount = LineAfter("$Logger Number%");
    const int32_t count = Count(blockCount, kMaxBlocksInFile, "a block count", in_);
    int64_t samplesSoFar = 0;
    for (int32_t b = 1; b <= count; ++b) {
      // Blocks are added as they are read: a count larger than the file ends at the first
      // missing block (its sample count below) instead of sizing the list first.
      doc_.LoggerBlocks.emplace_back();
      const int index = static_cast<int>(doc_.LoggerBlocks.size()) - 1;
      in_.SkipTo("$ LOGGER " + std::to_string(b) + " %");
      TLoggerRecord& block = doc_.LoggerBlocks[index];
      const auto ofBlock = [b](const char* text) {
        return [b, text] { return std::string(text) + " of logging block " + std::to_string(b); };
      };
      block.BuildingName = Text(LineAfter("$BuildingName%"), ofBlock("building name"));
      block.RoomName = Text(LineAfter("$RoomName%"), ofBlock("room name"));
      const std::string_view sampleCount = LineAfter("$Logger Result Number%");
      block.SampleCount = Count(sampleCount, kMaxLoggedSamplesInFile, "a sample count", in_);
      samplesSoFar += block.SampleCount;
      if (samplesSoFar > kMaxLoggedSamplesInFile) {
        OutOfRange(sampleCount, "the samples of a file", in_);
      }
      const std::string_view start = LineAfter("$Logger Start Time%");
      block.BeginTime = Real(start, in_);
      const std::string_view interval = LineAfter("$Logger Interval%");
      block.IntervalSec = Integer(interval, in_);
      block.UnitSystem = Text(LineAfter("$Logger Units%"), ofBlock("unit text"));

      const std::string_view signalLine = LineAfter("$Logger Signals%");
      block.SignalCodes.fill(0);
      block.SignalPresent.fill(0);
      block.SignalCount = 0;
      ForEachToken(signalLine, [&](std::string_view token) {
        const int32_t code = Integer(token, in_);
        if (block.SignalCount == kLoggerSignals) return true;  // no room for more
        block.SignalCodes[block.SignalCount++] = code;
        if (code >= 1 && code <= kLoggerSignals) block.SignalPresent[code] = 1;
        return true;
      });
      doc_.SizeSampleArrays(index, block.SampleCount);

      CalculationParameters params;
      if (result_.version == 3) {
        const std::string_view fields = LineAfter("$Instrument Settings%");
        params = ParseParameters(fields, in_);
      }
      Apply(params, block);

      in_.NextLine();
      for (int s = 0; !in_.AtEnd() && s <= block.SampleCount; ++s) {
        int listPos = 0;
        ForEachToken(in_.NextLine(), [&](std::string_view token) {
          const double v = ValueToken(token, in_);
          if (++listPos <= kLoggerSignals) doc_.StoreSample(index, listPos, s, v);
          return true;
        });
        in_.SkipSampleLineEnd();
      }
    }
  }

  Cursor in_;
  Document& doc_;
  const TextCatalog& texts_;
  OpenOutcome result_;
  int versionLine_ = 0;  // the line of the version text; 0 when the file has none
  int cutTexts_ = 0;
  std::string firstCut_;
  size_t firstCutSize_ = 0;
};

}  // namespace

void DecodeIdentification(const Bytes& settingsBlock, TInstrumentData& info) {
  // The stored block keeps every byte; only the copy has its NULs turned into CR.
  Bytes copy = settingsBlock;
  std::replace(copy.begin(), copy.end(), '\0', '\r');
  DecodeSettingsBlock(copy, info);
}

OpenOutcome ReadResultsFile(std::string_view bytes, Document& doc, const TextCatalog& texts) {
  return Reader(bytes, doc, texts).Run();
}

std::optional<QByteArray> ReadResultsFileBytes(const QString& path, const TextCodec& codec,
                                               Bytes* error) {
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    *error = codec.Encode(info.isDir() ? QStringLiteral("This is a folder, not a file.")
                                       : QStringLiteral("This is not a regular file."));
    return std::nullopt;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = codec.Encode(file.errorString());
    return std::nullopt;
  }
  // The size is read again as the bytes come: a file may grow between the look and the read.
  const auto tooLarge = [&] {
    *error = codec.Encode(
        QStringLiteral("This file is larger than %1 MB, the most a results file can hold.")
            .arg(kMaxResultsFileBytes / (1024 * 1024)));
  };
  if (info.size() > kMaxResultsFileBytes) {
    tooLarge();
    return std::nullopt;
  }
  // Room for the size seen, read in place; the reading goes on past it (1 MB at a time) only
  // for a file that grew, up to one byte over the limit.
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(info.size()) + 1);
  for (;;) {
    const qsizetype have = bytes.size();
    const qint64 spare = bytes.capacity() - have;
    const qint64 room =
        std::min<qint64>(spare > 0 ? spare : qint64{1} << 20, kMaxResultsFileBytes + 1 - have);
    bytes.resize(have + static_cast<qsizetype>(room));
    const qint64 got = file.read(bytes.data() + have, room);
    bytes.resize(have + static_cast<qsizetype>(std::max<qint64>(got, 0)));
    if (got <= 0 || bytes.size() > kMaxResultsFileBytes) break;
  }
  if (file.error() != QFileDevice::NoError) {
    *error = codec.Encode(file.errorString());
    return std::nullopt;
  }
  if (bytes.size() > kMaxResultsFileBytes) {
    tooLarge();
    return std::nullopt;
  }
  return bytes;
}

OpenOutcome OpenResultsFile(const QString& path, Document& doc, const TextCatalog& texts,
                            const QByteArray& codePage) {
  Bytes error;
  const std::optional<QByteArray> bytes = ReadResultsFileBytes(path, TextCodec(codePage), &error);
  if (!bytes) {
    OpenOutcome result;
    result.outcome = Outcome::Failure(error);
    return result;
  }
  return ReadResultsFile(std::string_view(bytes->constData(), static_cast<size_t>(bytes->size())),
                         doc, texts);
}

}  // namespace qv
