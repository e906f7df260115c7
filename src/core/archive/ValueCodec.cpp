#include "archive/ValueCodec.h"

#include <array>
#include <cmath>
#include <cstring>

namespace qv {
namespace {

constexpr char kScaled = 'D';
constexpr char kRaw = 'R';
constexpr int kMaxDecimals = 9;
// Scaled integers stay within the doubles' exact integers, so that n / 10^d is one rounding.
constexpr double kMaxScaled = 9007199254740992.0;  // 2^53

constexpr std::array<double, kMaxDecimals + 1> kPowers{1e0, 1e1, 1e2, 1e3, 1e4,
                                                       1e5, 1e6, 1e7, 1e8, 1e9};

void PutVarint(QByteArray& out, uint64_t v) {
  while (v >= 0x80) {
    out.append(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.append(static_cast<char>(v));
}

uint64_t ZigZag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}

int64_t UnZigZag(uint64_t v) {
  return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

void PutDouble(QByteArray& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i)
    out.append(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

// Reads forward through a BLOB; every read checks the end first.
class Reader {
 public:
  explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}
  bool AtEnd() const { return pos_ >= bytes_.size(); }

  std::optional<uint8_t> Byte() {
    if (AtEnd()) return std::nullopt;
    return static_cast<uint8_t>(bytes_[pos_++]);
  }

  std::optional<uint64_t> Varint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const std::optional<uint8_t> b = Byte();
      if (!b) return std::nullopt;
      v |= static_cast<uint64_t>(*b & 0x7F) << shift;
      if ((*b & 0x80) == 0) return v;
    }
    return std::nullopt;  // longer than any 64-bit number
  }

  std::optional<double> Double() {
    if (bytes_.size() - pos_ < 8) return std::nullopt;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
      bits |= static_cast<uint64_t>(static_cast<uint8_t>(bytes_[pos_ + i])) << (8 * i);
    pos_ += 8;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }

 private:
  const QByteArray& bytes_;
  qsizetype pos_ = 0;
};

// The scaled integer of v at d decimals, when n / 10^d gives v back exactly.
std::optional<int64_t> Scaled(double v, int d) {
  const double x = v * kPowers[d];
  if (!std::isfinite(x) || std::fabs(x) >= kMaxScaled) return std::nullopt;
  const int64_t n = std::llround(x);
  if (static_cast<double>(n) / kPowers[d] != v) return std::nullopt;
  // -0.0 would come back as 0.0.
  if (n == 0 && std::signbit(v)) return std::nullopt;
  return n;
}

// The fewest decimals that hold v exactly, or nullopt.
std::optional<int> DecimalsOf(double v) {
  for (int d = 0; d <= kMaxDecimals; ++d) {
    if (Scaled(v, d)) return d;
  }
  return std::nullopt;
}

}  // namespace

QByteArray EncodeSeries(const std::vector<double>& values) {
  int decimals = 0;
  bool scalable = true;
  for (const double v : values) {
    if (v == NoValue) continue;
    const std::optional<int> d = DecimalsOf(v);
    if (!d) {
      scalable = false;
      break;
    }
    decimals = std::max(decimals, *d);
  }
  QByteArray out;
  if (scalable) {
    out.reserve(static_cast<qsizetype>(values.size()) + 2);
    out.append(kScaled);
    out.append(static_cast<char>(decimals));
    int64_t previous = 0;
    for (const double v : values) {
      if (v == NoValue) {
        PutVarint(out, 0);
        continue;
      }
      const std::optional<int64_t> n = Scaled(v, decimals);
      if (!n) {  // exact at fewer decimals but not at these: keep the doubles
        scalable = false;
        break;
      }
      PutVarint(out, ZigZag(*n - previous) + 1);
      previous = *n;
    }
    if (scalable) return out;
    out.clear();
  }
  out.reserve(static_cast<qsizetype>(values.size() * 8 + 1));
  out.append(kRaw);
  for (const double v : values)
    PutDouble(out, v);
  return out;
}

std::optional<std::vector<double>> DecodeSeries(const QByteArray& bytes, size_t count) {
  Reader in(bytes);
  const std::optional<uint8_t> kind = in.Byte();
  if (!kind) return std::nullopt;
  std::vector<double> values;
  // Each value takes at least one byte: a count larger than the BLOB is refused unsized.
  if (count > static_cast<size_t>(bytes.size())) return std::nullopt;
  values.reserve(count);
  if (*kind == kRaw) {
    for (size_t i = 0; i < count; ++i) {
      const std::optional<double> v = in.Double();
      if (!v) return std::nullopt;
      values.push_back(*v);
    }
  } else if (*kind == kScaled) {
    const std::optional<uint8_t> decimals = in.Byte();
    if (!decimals || *decimals > kMaxDecimals) return std::nullopt;
    const double power = kPowers[*decimals];
    int64_t n = 0;
    for (size_t i = 0; i < count; ++i) {
      const std::optional<uint64_t> token = in.Varint();
      if (!token) return std::nullopt;
      if (*token == 0) {
        values.push_back(NoValue);
        continue;
      }
      n += UnZigZag(*token - 1);
      values.push_back(static_cast<double>(n) / power);
    }
  } else {
    return std::nullopt;
  }
  if (!in.AtEnd()) return std::nullopt;
  return values;
}

QByteArray EncodeValues(const std::vector<double>& values) {
  // Per value: 0 no value, 1 a double follows, else 2 + zigzag(n) * 10 + decimals.
  QByteArray out;
  for (const double v : values) {
    if (v == NoValue) {
      PutVarint(out, 0);
      continue;
    }
    const std::optional<int> d = DecimalsOf(v);
    const std::optional<int64_t> n = d ? Scaled(v, *d) : std::nullopt;
    // 2^53 scaled is far inside what the token can carry (zigzag(2^53) * 10 < 2^58).
    if (!n) {
      PutVarint(out, 1);
      PutDouble(out, v);
      continue;
    }
    PutVarint(out, 2 + ZigZag(*n) * 10 + static_cast<uint64_t>(*d));
  }
  return out;
}

std::optional<std::vector<double>> DecodeValues(const QByteArray& bytes, size_t count) {
  if (count > static_cast<size_t>(bytes.size())) return std::nullopt;
  Reader in(bytes);
  std::vector<double> values;
  values.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const std::optional<uint64_t> token = in.Varint();
    if (!token) return std::nullopt;
    if (*token == 0) {
      values.push_back(NoValue);
    } else if (*token == 1) {
      const std::optional<double> v = in.Double();
      if (!v) return std::nullopt;
      values.push_back(*v);
    } else {
      const uint64_t t = *token - 2;
      const uint64_t d = t % 10;
      values.push_back(static_cast<double>(UnZigZag(t / 10)) / kPowers[d]);
    }
  }
  if (!in.AtEnd()) return std::nullopt;
  return values;
}

QByteArray EncodeCodes(const std::vector<int32_t>& codes) {
  QByteArray out;
  for (const int32_t code : codes)
    PutVarint(out, ZigZag(code));
  return out;
}

std::optional<std::vector<int32_t>> DecodeCodes(const QByteArray& bytes) {
  Reader in(bytes);
  std::vector<int32_t> codes;
  while (!in.AtEnd()) {
    const std::optional<uint64_t> v = in.Varint();
    if (!v) return std::nullopt;
    const int64_t code = UnZigZag(*v);
    if (code < INT32_MIN || code > INT32_MAX) return std::nullopt;
    codes.push_back(static_cast<int32_t>(code));
  }
  return codes;
}

}  // namespace qv
