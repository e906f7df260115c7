// The JSON description of a memory (format in tools/emulator/README.md). Unknown keys are
// refused so that a typing error in a hand-written file does not pass silently.
#include "memimage/MemoryImage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <numbers>

namespace qv::emu {

namespace {

constexpr std::string_view kQuantityNames[] = {
    "AirTemp", "RelHum", "DewPoint", "AirVel",   "VolFlow",   "Illum",
    "Lumin",   "ThCoup", "DifTemp",  "Contrast", "GlobeTemp", "PMV",
    "PPD",     "WBGT",   "CO2",      "CO",       "MultiPoint"};

struct ParseError {
  std::string text;
};

[[noreturn]] void Throw(const std::string& where, const std::string& what) {
  throw ParseError{where + ": " + what};
}

std::string Str(const QString& s) {
  return s.toStdString();
}

void CheckKeys(const QJsonObject& o, const std::string& where,
               std::initializer_list<const char*> allowed) {
  for (auto it = o.begin(); it != o.end(); ++it) {
    bool ok = false;
    for (const char* a : allowed)
      ok = ok || it.key() == QLatin1String(a);
    if (!ok) Throw(where, "unknown key \"" + Str(it.key()) + "\"");
  }
}

QJsonObject Object(const QJsonValue& v, const std::string& where) {
  if (!v.isObject()) Throw(where, "expected an object");
  return v.toObject();
}

QJsonArray Array(const QJsonValue& v, const std::string& where) {
  if (!v.isArray()) Throw(where, "expected a list");
  return v.toArray();
}

double Number(const QJsonValue& v, const std::string& where) {
  if (!v.isDouble()) Throw(where, "expected a number");
  return v.toDouble();
}

int Integer(const QJsonValue& v, const std::string& where, int lo, int hi) {
  const double d = Number(v, where);
  if (d != std::floor(d) || d < lo || d > hi)
    Throw(where, "expected a whole number " + std::to_string(lo) + ".." + std::to_string(hi));
  return static_cast<int>(d);
}

std::string Text(const QJsonValue& v, const std::string& where) {
  if (v.isDouble()) {
    // Numbers are welcome where the instrument stores decimal texts ("resultsPercent": 35).
    const double d = v.toDouble();
    if (d == std::floor(d) && std::fabs(d) < 1e15) return std::to_string(static_cast<int64_t>(d));
  }
  if (!v.isString()) Throw(where, "expected a text");
  // Texts go to the instrument as Latin-1 bytes, one per character.
  const QByteArray bytes = v.toString().toLatin1();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool Flag(const QJsonValue& v, const std::string& where) {
  if (!v.isBool()) Throw(where, "expected true or false");
  return v.toBool();
}

ByteVec Hex(const QJsonValue& v, const std::string& where) {
  const std::optional<ByteVec> bytes = ParseHex(Text(v, where));
  if (!bytes) Throw(where, "expected hexadecimal bytes such as \"0A 1B 2C\"");
  return *bytes;
}

Stamp StampOf(const QJsonValue& v, const std::string& where) {
  const std::optional<Stamp> s = ParseStamp(Text(v, where));
  if (!s) Throw(where, "expected a date-time \"YYYY-MM-DD hh:mm:ss\" in the years 2000..2099");
  return *s;
}

PageTime PageTimeOf(const QJsonValue& v, const std::string& where) {
  PageTime t;
  const std::string text = v.isString() ? Str(v.toString()) : std::string();
  if (text.rfind("bcd:", 0) == 0) {
    const std::optional<ByteVec> raw = ParseHex(text.substr(4));
    if (!raw || raw->size() != 6) Throw(where, "expected \"bcd:\" and six hexadecimal bytes");
    t.raw.emplace();
    std::copy(raw->begin(), raw->end(), t.raw->begin());
  } else {
    t.stamp = StampOf(v, where);
  }
  return t;
}

int QuantityOf(const QJsonValue& v, const std::string& where) {
  if (v.isDouble()) return Integer(v, where, 1, 255);
  const int q = QuantityByName(Text(v, where));
  if (q == 0) Throw(where, "unknown quantity \"" + Str(v.toString()) + "\"");
  return q;
}

int UnitOf(const QJsonValue& v, const std::string& where) {
  if (v.isDouble()) return Integer(v, where, 0, 255);
  const std::string u = Text(v, where);
  if (u == "SI") return 1;
  if (u == "US") return 0;
  Throw(where, "expected \"SI\", \"US\" or a byte value");
}

// A number (all four statistics alike) or a list of up to four numbers.
std::array<float, 4> FourValues(const QJsonValue& v, const std::string& where) {
  std::array<float, 4> out{};
  if (v.isDouble()) {
    out.fill(static_cast<float>(v.toDouble()));
    return out;
  }
  const QJsonArray a = Array(v, where);
  if (a.size() < 1 || a.size() > 4) Throw(where, "expected one to four numbers");
  for (qsizetype i = 0; i < a.size(); ++i)
    out[i] = static_cast<float>(Number(a[i], where + "[" + std::to_string(i) + "]"));
  if (a.size() == 1) out.fill(out[0]);
  return out;
}

CalcParams ParamsOf(const QJsonValue& v, const std::string& where) {
  const QJsonObject o = Object(v, where);
  CheckKeys(o, where,
            {"mode", "altitude", "sideA", "sideB", "radius", "metabolicRate", "clothing"});
  CalcParams p;
  p.mode = Integer(o.value("mode"), where + ".mode", 0, 255);
  auto get = [&](const char* key, float& out) {
    if (o.contains(key)) out = static_cast<float>(Number(o.value(key), where + "." + key));
  };
  get("altitude", p.altitude);
  get("sideA", p.sideA);
  get("sideB", p.sideB);
  get("radius", p.radius);
  get("metabolicRate", p.metabolicRate);
  get("clothing", p.clothing);
  return p;
}

std::vector<QuantityValues> ValuesOf(const QJsonValue& v, const std::string& where) {
  std::vector<QuantityValues> out;
  if (v.isObject()) {
    // Object keys carry no order: entries go in ascending quantity, as instruments write them.
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
      const std::string w = where + "." + Str(it.key());
      bool isNumber = false;
      const int n = it.key().toInt(&isNumber);
      const int q = isNumber ? (n >= 1 && n <= 255 ? n : 0) : QuantityByName(Str(it.key()));
      if (q == 0) Throw(w, "unknown quantity");
      out.push_back({q, FourValues(it.value(), w)});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const auto& a, const auto& b) { return a.quantity < b.quantity; });
    return out;
  }
  // A list keeps its order: [quantity, values...] per entry.
  const QJsonArray a = Array(v, where);
  for (qsizetype i = 0; i < a.size(); ++i) {
    const std::string w = where + "[" + std::to_string(i) + "]";
    const QJsonArray e = Array(a[i], w);
    if (e.size() < 2 || e.size() > 5) Throw(w, "expected a quantity and one to four numbers");
    QuantityValues qv{QuantityOf(e[0], w + "[0]"), {}};
    QJsonArray rest = e;
    rest.removeFirst();
    qv.values = FourValues(rest.size() == 1 ? rest[0] : QJsonValue(rest), w);
    out.push_back(qv);
  }
  return out;
}

ResultTest ResultOf(const QJsonValue& v, const std::string& where) {
  const QJsonObject o = Object(v, where);
  CheckKeys(o, where,
            {"building", "buildingName", "room", "roomName", "begin", "end", "duration", "unit",
             "values", "params", "kind", "page", "deleted", "dataLength", "comment"});
  ResultTest t;
  t.buildingNo = Integer(o.value("building"), where + ".building", 0, 255);
  t.roomNo = Integer(o.value("room"), where + ".room", 0, 255);
  if (o.contains("buildingName")) t.buildingName = Text(o.value("buildingName"), where);
  if (o.contains("roomName")) t.roomName = Text(o.value("roomName"), where);
  t.begin = PageTimeOf(o.value("begin"), where + ".begin");
  if (o.contains("end")) {
    if (o.contains("duration")) Throw(where, "give either \"end\" or \"duration\"");
    t.end = PageTimeOf(o.value("end"), where + ".end");
  } else {
    if (t.begin.raw) Throw(where, "a raw \"begin\" needs an \"end\"");
    const int seconds =
        o.contains("duration") ? Integer(o.value("duration"), where + ".duration", 0, 1 << 30) : 60;
    t.end.stamp = AddSeconds(t.begin.stamp, seconds);
  }
  if (o.contains("unit")) t.unitByte = UnitOf(o.value("unit"), where + ".unit");
  if (o.contains("kind")) t.kind = Integer(o.value("kind"), where + ".kind", 0, 255);
  if (o.contains("values")) t.values = ValuesOf(o.value("values"), where + ".values");
  if (o.contains("params")) t.params = ParamsOf(o.value("params"), where + ".params");
  if (o.contains("page")) t.page = Integer(o.value("page"), where + ".page", 0, 0xFFFF);
  if (o.contains("deleted")) t.deleted = Flag(o.value("deleted"), where + ".deleted");
  if (o.contains("dataLength"))
    t.dataLength = Integer(o.value("dataLength"), where + ".dataLength", 0, 0xFFFF);
  return t;
}

// Samples following a smooth daily course: base + amplitude * sin(2 pi (t / period + phase))
// + step * k, minimum and maximum `spread` below and above, values rounded to 0.01.
void Generate(LoggingBlock& b, const QJsonObject& g, const std::string& where) {
  const int count = Integer(g.value("count"), where + ".count", 1, 65536);
  std::vector<std::array<double, 6>> course(b.quantities.size());
  for (size_t i = 0; i < b.quantities.size(); ++i) {
    const std::string name(QuantityName(b.quantities[i]));
    QJsonValue entry = g.value(QString::fromStdString(name));
    if (entry.isUndefined()) entry = g.value(QString::number(b.quantities[i]));
    const std::string w = where + "." + name;
    const QJsonObject s = Object(entry, w);
    CheckKeys(s, w, {"base", "amplitude", "period", "phase", "spread", "step"});
    auto get = [&](const char* key, double fallback) {
      return s.contains(key) ? Number(s.value(key), w + "." + key) : fallback;
    };
    course[i] = {get("base", 0),  get("amplitude", 0), get("period", 86400),
                 get("phase", 0), get("spread", 0),    get("step", 0)};
    if (course[i][2] <= 0) Throw(w + ".period", "expected a positive number of seconds");
  }
  auto round2 = [](double x) { return static_cast<float>(std::round(x * 100) / 100); };
  for (int k = 0; k < count; ++k) {
    std::vector<std::array<float, 4>> row;
    const double t = double(k) * b.intervalSec;
    for (const auto& c : course) {
      const double cur =
          c[0] + c[1] * std::sin(2 * std::numbers::pi * (t / c[2] + c[3])) + c[5] * k;
      row.push_back({round2(cur), round2(cur - c[4]), round2(cur), round2(cur + c[4])});
    }
    b.samples.push_back(std::move(row));
  }
}

LoggingBlock BlockOf(const QJsonValue& v, const std::string& where) {
  const QJsonObject o = Object(v, where);
  CheckKeys(o, where,
            {"number", "interval", "start", "buildingName", "roomName", "unit", "quantities",
             "samples", "generate", "params", "endBit", "deleted", "pages", "comment"});
  LoggingBlock b;
  if (o.contains("number")) b.number = Integer(o.value("number"), where + ".number", 1, 63);
  b.intervalSec = Integer(o.value("interval"), where + ".interval", 0, 86400 * 366);
  b.start = StampOf(o.value("start"), where + ".start");
  if (o.contains("buildingName")) b.buildingName = Text(o.value("buildingName"), where);
  if (o.contains("roomName")) b.roomName = Text(o.value("roomName"), where);
  if (o.contains("unit")) b.unitByte = UnitOf(o.value("unit"), where + ".unit");
  const QJsonArray qs = Array(o.value("quantities"), where + ".quantities");
  for (qsizetype i = 0; i < qs.size(); ++i)
    b.quantities.push_back(QuantityOf(qs[i], where + ".quantities[" + std::to_string(i) + "]"));
  if (o.contains("samples") == o.contains("generate"))
    Throw(where, "give either \"samples\" or \"generate\"");
  if (o.contains("samples")) {
    const QJsonArray rows = Array(o.value("samples"), where + ".samples");
    for (qsizetype k = 0; k < rows.size(); ++k) {
      const std::string w = where + ".samples[" + std::to_string(k) + "]";
      const QJsonArray row = Array(rows[k], w);
      if (static_cast<size_t>(row.size()) != b.quantities.size())
        Throw(w, "expected one entry per quantity (" + std::to_string(b.quantities.size()) + ")");
      std::vector<std::array<float, 4>> values;
      for (qsizetype i = 0; i < row.size(); ++i)
        values.push_back(FourValues(row[i], w + "[" + std::to_string(i) + "]"));
      b.samples.push_back(std::move(values));
    }
  } else {
    const QJsonObject g = Object(o.value("generate"), where + ".generate");
    Generate(b, g, where + ".generate");
  }
  if (o.contains("params")) b.params = ParamsOf(o.value("params"), where + ".params");
  if (o.contains("endBit")) b.endBit = Flag(o.value("endBit"), where + ".endBit");
  if (o.contains("deleted")) b.deleted = Flag(o.value("deleted"), where + ".deleted");
  if (o.contains("pages")) {
    const QJsonArray ps = Array(o.value("pages"), where + ".pages");
    for (qsizetype i = 0; i < ps.size(); ++i)
      b.pages.push_back(Integer(ps[i], where + ".pages[" + std::to_string(i) + "]", 0, 0xFFFF));
  }
  return b;
}

}  // namespace

int QuantityByName(std::string_view name) {
  for (int i = 0; i < 17; ++i) {
    const std::string_view n = kQuantityNames[i];
    if (n.size() == name.size() && std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        }))
      return i + 1;
  }
  return 0;
}

std::string_view QuantityName(int quantity) {
  return quantity >= 1 && quantity <= 17 ? kQuantityNames[quantity - 1] : std::string_view();
}

std::optional<MemoryModel> ParseMemoryJson(const ByteVec& json, std::string* error) {
  QJsonParseError perr;
  const QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(reinterpret_cast<const char*>(json.data()), static_cast<qsizetype>(json.size())),
      &perr);
  if (perr.error != QJsonParseError::NoError) {
    if (error)
      *error = "JSON error at byte " + std::to_string(perr.offset) + ": " + Str(perr.errorString());
    return std::nullopt;
  }
  try {
    if (!doc.isObject()) Throw("memory", "expected an object");
    const QJsonObject o = doc.object();
    CheckKeys(o, "memory",
              {"identification", "settingsHex", "firstPage", "badChecksumPages", "results",
               "logging", "comment"});
    MemoryModel m;
    if (o.contains("identification")) {
      const std::string w = "identification";
      const QJsonObject id = Object(o.value("identification"), w);
      CheckKeys(id, w,
                {"type", "code", "producer", "firmware", "unused", "serial", "resultsPercent",
                 "loggingPercent", "extraHex"});
      auto get = [&](const char* key, std::string& out) {
        if (id.contains(key)) out = Text(id.value(key), w + "." + key);
      };
      get("type", m.ident.type);
      get("code", m.ident.code);
      get("producer", m.ident.producer);
      get("firmware", m.ident.firmware);
      get("unused", m.ident.unused);
      get("serial", m.ident.serial);
      get("resultsPercent", m.ident.resultsPercent);
      get("loggingPercent", m.ident.loggingPercent);
      if (id.contains("extraHex")) m.ident.extra = Hex(id.value("extraHex"), w + ".extraHex");
    }
    if (o.contains("settingsHex")) m.rawSettings = Hex(o.value("settingsHex"), "settingsHex");
    if (o.contains("firstPage"))
      m.firstPage = Integer(o.value("firstPage"), "firstPage", 0, 0xFFFF);
    if (o.contains("badChecksumPages")) {
      const QJsonArray a = Array(o.value("badChecksumPages"), "badChecksumPages");
      for (qsizetype i = 0; i < a.size(); ++i)
        m.badChecksumPages.insert(
            Integer(a[i], "badChecksumPages[" + std::to_string(i) + "]", 0, 0xFFFF));
    }
    if (o.contains("results")) {
      const QJsonArray a = Array(o.value("results"), "results");
      for (qsizetype i = 0; i < a.size(); ++i)
        m.results.push_back(ResultOf(a[i], "results[" + std::to_string(i) + "]"));
    }
    if (o.contains("logging")) {
      const QJsonArray a = Array(o.value("logging"), "logging");
      for (qsizetype i = 0; i < a.size(); ++i)
        m.blocks.push_back(BlockOf(a[i], "logging[" + std::to_string(i) + "]"));
    }
    return m;
  } catch (const ParseError& e) {
    if (error) *error = e.text;
    return std::nullopt;
  }
}

}  // namespace qv::emu
