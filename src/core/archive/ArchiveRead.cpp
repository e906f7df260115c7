// Reading the archive: the tree of places and visits, the rows of a query, trends, and tests
// or blocks back as documents.
#include "archive/Archive.h"

#include "archive/ArchiveConnection.h"
#include "archive/ValueCodec.h"
#include "files/ResultsFile.h"
#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"

#include <QVariant>

#include <algorithm>
#include <cmath>
#include <map>
#include <queue>

namespace qv {
namespace {

// Conditions of a statement and their values, in order.
struct Where {
  QStringList terms;
  QVariantList binds;

  void Add(const QString& term, const QVariant& value) {
    terms.append(term);
    binds.append(value);
  }
  QString Sql() const {
    return terms.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + terms.join(QLatin1String(" AND "));
  }
  void BindTo(QSqlQuery& q) const {
    for (int i = 0; i < binds.size(); ++i)
      q.bindValue(i, binds[i]);
  }
};

// The place conditions of a filter on the table aliased `p`.
void PlaceTerms(const ArchiveFilter& f, Where& where) {
  if (f.building) where.Add(QStringLiteral("p.building = ?"), BlobValue(*f.building));
  if (f.room) where.Add(QStringLiteral("p.room = ?"), BlobValue(*f.room));
}

// "No value", and what the viewers show as none: the marker, anything at or above the
// threshold, and numbers that are not finite.
bool NoSample(double v) {
  return !std::isfinite(v) || v >= NoValueThreshold;
}

// The day of a time as its text shows it: rounded to the millisecond first, so that midnight
// read back a hair early from a file is still the day it names.
int DayOf(DateTime t) {
  return static_cast<int>(std::floor(t + 0.5 / 86400000.0));
}

std::vector<int32_t> Codes(const QVariant& blob, int64_t id) {
  std::optional<std::vector<int32_t>> codes = DecodeCodes(blob.toByteArray());
  if (!codes) throw SqlFailure{QStringLiteral("the signal list of record %1 is damaged").arg(id)};
  return std::move(*codes);
}

// A test, or a block with its series, in the order rows come out of a query.
struct Source {
  DateTime begin = 0;
  bool block = false;
  int64_t id = 0;
  int64_t place = 0;
  int64_t file = 0;
  Bytes units;
  // A test: its values by code. A block: its series, encoded until the block's first sample
  // is due, then decoded and dropped again once its last one was given.
  std::vector<int32_t> codes;
  std::vector<double> values;
  std::vector<QByteArray> encoded;
  std::vector<std::vector<double>> series;
  int intervalSec = 0;
  int sampleCount = 0;
  int next = 0;  // the next sample of a block
  // Looked up when the source starts (the archive's caches keep them in place).
  const ArchiveConnection::Place* placeNames = nullptr;
  const QString* path = nullptr;

  DateTime TimeOf(int sample) const {
    return AddSeconds(begin, static_cast<double>(intervalSec) * sample);
  }
};

}  // namespace

Outcome Archive::List(const ArchiveFilter& filter, std::vector<ArchiveBuilding>& out) {
  out.clear();
  ArchiveConnection& impl = *impl_;
  try {
    const std::optional<ArchiveConnection::Matches> matches = impl.Search(filter.search);
    std::map<Bytes, std::map<Bytes, std::map<int, ArchiveVisit>>> tree;
    for (const bool blocks : {false, true}) {
      Where where;
      PlaceTerms(filter, where);
      const QString alias = blocks ? QStringLiteral("b") : QStringLiteral("t");
      if (filter.from) where.Add(alias + QStringLiteral(".begin >= ?"), *filter.from);
      if (filter.to) where.Add(alias + QStringLiteral(".begin < ?"), *filter.to);
      QSqlQuery q = impl.Prepare(
          blocks ? QStringLiteral("SELECT b.id, b.place_id, b.file_id, b.begin, b.end, b.units, "
                                  "b.signals, b.sample_count, b.interval_sec FROM block b "
                                  "JOIN place p ON p.id = b.place_id") +
                       where.Sql() + QStringLiteral(" ORDER BY b.begin, b.id")
                 : QStringLiteral("SELECT t.id, t.place_id, t.file_id, t.begin, t.end, t.units, "
                                  "t.signals FROM test t JOIN place p ON p.id = t.place_id") +
                       where.Sql() + QStringLiteral(" ORDER BY t.begin, t.id"));
      where.BindTo(q);
      impl.Exec(q);
      struct Found {
        int64_t place;
        int64_t file;
        ArchiveItem item;
      };
      std::vector<Found> found;
      while (q.next()) {
        Found f;
        f.place = q.value(1).toLongLong();
        f.file = q.value(2).toLongLong();
        if (matches && matches->places.count(f.place) == 0 && matches->files.count(f.file) == 0) {
          continue;
        }
        ArchiveItem& item = f.item;
        item.id = q.value(0).toLongLong();
        item.begin = q.value(3).toDouble();
        item.end = q.value(4).toDouble();
        item.units = BytesOf(q.value(5));
        item.codes = Codes(q.value(6), item.id);
        if (blocks) {
          item.sampleCount = q.value(7).toInt();
          item.intervalSec = q.value(8).toInt();
        }
        found.push_back(std::move(f));
      }
      q.finish();
      for (Found& f : found) {
        f.item.source = impl.PathOf(f.file);
        const ArchiveConnection::Place& place = impl.PlaceOf(f.place);
        ArchiveVisit& visit = tree[place.building][place.room][DayOf(f.item.begin)];
        visit.day = DayOf(f.item.begin);
        (blocks ? visit.blocks : visit.tests).push_back(std::move(f.item));
      }
    }
    for (auto& [buildingName, rooms] : tree) {
      ArchiveBuilding& building = out.emplace_back();
      building.name = buildingName;
      for (auto& [roomName, visits] : rooms) {
        ArchiveRoom& room = building.rooms.emplace_back();
        room.name = roomName;
        for (auto& [day, visit] : visits)
          room.visits.push_back(std::move(visit));
      }
    }
  } catch (const SqlFailure& f) {
    out.clear();
    return impl.Failure(f);
  }
  return Outcome::Success();
}

Outcome Archive::Query(const ArchiveFilter& filter,
                       const std::function<bool(const ArchiveRow&)>& each) {
  ArchiveConnection& impl = *impl_;
  try {
    std::vector<Source> sources;

    Where tests;
    PlaceTerms(filter, tests);
    if (filter.from) tests.Add(QStringLiteral("t.begin >= ?"), *filter.from);
    if (filter.to) tests.Add(QStringLiteral("t.begin < ?"), *filter.to);
    QSqlQuery q = impl.Prepare(
        QStringLiteral("SELECT t.id, t.place_id, t.file_id, t.begin, t.units, t.signals, "
                       "t.value_data FROM test t JOIN place p ON p.id = t.place_id") +
        tests.Sql() + QStringLiteral(" ORDER BY t.begin, t.id"));
    tests.BindTo(q);
    impl.Exec(q);
    while (q.next()) {
      Source s;
      s.id = q.value(0).toLongLong();
      const std::vector<int32_t> codes = Codes(q.value(5), s.id);
      // Codes with a value: every present code but the blank one.
      std::vector<int32_t> valued;
      for (const int32_t c : codes) {
        if (c >= 1 && c <= kTestValueCount) valued.push_back(c);
      }
      std::optional<std::vector<double>> values =
          DecodeValues(q.value(6).toByteArray(), valued.size());
      if (!values) throw SqlFailure{QStringLiteral("the values of test %1 are damaged").arg(s.id)};
      for (size_t k = 0; k < valued.size(); ++k) {
        if (filter.code && valued[k] != *filter.code) continue;
        if (NoSample((*values)[k])) continue;
        s.codes.push_back(valued[k]);
        s.values.push_back((*values)[k]);
      }
      if (s.codes.empty()) continue;
      s.place = q.value(1).toLongLong();
      s.file = q.value(2).toLongLong();
      s.begin = q.value(3).toDouble();
      s.units = BytesOf(q.value(4));
      sources.push_back(std::move(s));
    }
    q.finish();
    const size_t testCount = sources.size();

    Where blocks;
    PlaceTerms(filter, blocks);
    if (filter.code) blocks.Add(QStringLiteral("s.code = ?"), *filter.code);
    if (filter.from) blocks.Add(QStringLiteral("b.end >= ?"), *filter.from);
    if (filter.to) blocks.Add(QStringLiteral("b.begin < ?"), *filter.to);
    q = impl.Prepare(
        QStringLiteral("SELECT b.id, b.place_id, b.file_id, b.begin, b.units, b.interval_sec, "
                       "b.sample_count, s.code, s.data FROM block b "
                       "JOIN place p ON p.id = b.place_id JOIN series s ON s.block_id = b.id") +
        blocks.Sql() + QStringLiteral(" ORDER BY b.begin, b.id, s.code"));
    blocks.BindTo(q);
    impl.Exec(q);
    while (q.next()) {
      const int64_t id = q.value(0).toLongLong();
      if (sources.size() == testCount || sources.back().id != id) {
        Source s;
        s.block = true;
        s.id = id;
        s.place = q.value(1).toLongLong();
        s.file = q.value(2).toLongLong();
        s.begin = q.value(3).toDouble();
        s.units = BytesOf(q.value(4));
        s.intervalSec = q.value(5).toInt();
        s.sampleCount = std::max(0, q.value(6).toInt());
        sources.push_back(std::move(s));
      }
      sources.back().codes.push_back(q.value(7).toInt());
      sources.back().encoded.push_back(q.value(8).toByteArray());
    }
    q.finish();
    // Both lists came by begin time: one list by begin, tests before blocks at equal times.
    std::inplace_merge(sources.begin(), sources.begin() + static_cast<std::ptrdiff_t>(testCount),
                       sources.end(), [](const Source& a, const Source& b) {
                         return a.begin != b.begin ? a.begin < b.begin : !a.block && b.block;
                       });

    // Each source's times rise; a heap of the sources begun gives every row in time order.
    using Due = std::pair<DateTime, size_t>;  // next time, source index (ties by index)
    std::priority_queue<Due, std::vector<Due>, std::greater<Due>> due;
    size_t started = 0;
    const auto start = [&](size_t i) {
      Source& s = sources[i];
      s.placeNames = &impl.PlaceOf(s.place);
      s.path = &impl.PathOf(s.file);
      if (s.block) {
        for (const QByteArray& blob : s.encoded) {
          std::optional<std::vector<double>> series =
              DecodeSeries(blob, static_cast<size_t>(s.sampleCount));
          if (!series) {
            throw SqlFailure{QStringLiteral("the samples of block %1 are damaged").arg(s.id)};
          }
          s.series.push_back(std::move(*series));
        }
        s.encoded.clear();
        if (filter.from) {
          // The first sample at or after `from` (then checked one by one).
          while (s.next < s.sampleCount && s.TimeOf(s.next) < *filter.from)
            ++s.next;
        }
        if (s.next >= s.sampleCount) return;
        due.emplace(s.TimeOf(s.next), i);
      } else {
        due.emplace(s.begin, i);
      }
    };
    while (started < sources.size() || !due.empty()) {
      if (due.empty() || (started < sources.size() && sources[started].begin <= due.top().first)) {
        start(started++);
        continue;
      }
      const size_t i = due.top().second;
      due.pop();
      Source& s = sources[i];
      const ArchiveConnection::Place& place = *s.placeNames;
      const QString& path = *s.path;
      if (!s.block) {
        for (size_t k = 0; k < s.codes.size(); ++k) {
          if (!each(ArchiveRow{place.building, place.room, s.begin, s.codes[k], s.values[k],
                               s.units, path, false, s.begin})) {
            return Outcome::Success();
          }
        }
        continue;
      }
      const DateTime time = s.TimeOf(s.next);
      if (filter.to && time >= *filter.to) {
        s.series.clear();
        continue;
      }
      for (size_t k = 0; k < s.codes.size(); ++k) {
        const double v = s.series[k][static_cast<size_t>(s.next)];
        if (NoSample(v)) continue;
        if (!each(ArchiveRow{place.building, place.room, time, s.codes[k], v, s.units, path, true,
                             s.begin})) {
          return Outcome::Success();
        }
      }
      if (++s.next < s.sampleCount) {
        due.emplace(s.TimeOf(s.next), i);
      } else {
        s.series.clear();
        s.series.shrink_to_fit();
      }
    }
  } catch (const SqlFailure& f) {
    return impl.Failure(f);
  }
  return Outcome::Success();
}

Outcome Archive::Trend(const Bytes& building, const Bytes& room, int code,
                       std::vector<ArchiveTrendSeries>& out) {
  out.clear();
  ArchiveFilter filter;
  filter.building = building;
  filter.room = room;
  filter.code = code;
  std::map<std::pair<int, Bytes>, ArchiveTrendSeries> byVisit;
  const Outcome outcome = Query(filter, [&](const ArchiveRow& row) {
    const int day = DayOf(row.begin);
    ArchiveTrendSeries& series = byVisit[{day, row.units}];
    series.day = day;
    series.units = row.units;
    series.points.emplace_back(row.time, row.value);
    return true;
  });
  if (!outcome.ok()) return outcome;
  for (auto& [key, series] : byVisit)
    out.push_back(std::move(series));
  return outcome;
}

namespace {

template <class Record>
void ReadParameters(const QSqlQuery& q, int first, Record& r) {
  r.Params.DuctShape = q.value(first).toInt();
  r.Params.Altitude = q.value(first + 1).toDouble();
  r.Params.SideA = q.value(first + 2).toDouble();
  r.Params.SideB = q.value(first + 3).toDouble();
  r.Params.Radius = q.value(first + 4).toDouble();
  r.Params.MetabolicRate = q.value(first + 5).toDouble();
  r.Params.Clothing = q.value(first + 6).toDouble();
}

// The print header, settings block and identification of a file.
void LoadFileTexts(ArchiveConnection& impl, int64_t fileId, Document& doc) {
  QSqlQuery q = impl.Prepare(
      QStringLiteral("SELECT settings, operator1, operator2, site1, site2, footer, comments "
                     "FROM file WHERE id = ?"));
  q.bindValue(0, static_cast<qlonglong>(fileId));
  impl.Exec(q);
  if (!q.next()) throw SqlFailure{QStringLiteral("file %1 is missing").arg(fileId)};
  doc.InstrumentInfo = TInstrumentData();
  doc.InstrumentInfo.SettingsBlock = BytesOf(q.value(0));
  DecodeIdentification(doc.InstrumentInfo.SettingsBlock, doc.InstrumentInfo);
  doc.Header = PrintHeader();
  for (int line = 0; line < PrintHeader::LineCount; ++line)
    doc.Header.Lines[line] = BytesOf(q.value(1 + line));
  doc.Header.Comments = BytesOf(q.value(6));
  q.finish();
  q = impl.Prepare(QStringLiteral("SELECT probe, serial, type FROM probe WHERE file_id = ?"));
  q.bindValue(0, static_cast<qlonglong>(fileId));
  impl.Exec(q);
  while (q.next()) {
    const int p = q.value(0).toInt();
    if (p < 0 || p >= PrintHeader::ProbeCount) continue;
    doc.Header.ProbeSerNo[p] = BytesOf(q.value(1));
    doc.Header.ProbeType[p] = BytesOf(q.value(2));
  }
}

void ClearDocument(Document& doc) {
  doc.Kind = DocumentKind::None;
  doc.AllTests.clear();
  doc.ShownTests.clear();
  doc.LoggerBlocks.clear();
  doc.CurrentBlock = 0;
  doc.BuildingTree.clear();
  doc.DocSignals.fill(0);
  doc.ColumnSignals.fill(0);
  doc.DocSignalCount = doc.ColumnCount = 0;
  doc.ClearReportChoice();
}

}  // namespace

Outcome Archive::LoadTests(const std::vector<int64_t>& ids, Document& doc) {
  ArchiveConnection& impl = *impl_;
  ClearDocument(doc);
  try {
    QSqlQuery q = impl.Prepare(QStringLiteral(
        "SELECT t.file_id, p.building, p.room, t.building_no, t.room_no, t.begin, t.end, "
        "t.units, t.duct_shape, t.altitude, t.side_a, t.side_b, t.radius, t.metabolic_rate, "
        "t.clothing, t.signals, t.value_data, f.signals FROM test t "
        "JOIN place p ON p.id = t.place_id JOIN file f ON f.id = t.file_id WHERE t.id = ?"));
    std::vector<int64_t> files;
    std::vector<int32_t> fileSignals;
    for (const int64_t id : ids) {
      q.bindValue(0, static_cast<qlonglong>(id));
      impl.Exec(q);
      if (!q.next()) throw SqlFailure{QStringLiteral("there is no test %1").arg(id)};
      const int index = doc.AddTestRecord();
      TTestsRecord& t = doc.AllTests[static_cast<size_t>(index)];
      const int64_t file = q.value(0).toLongLong();
      t.BuildingName = BytesOf(q.value(1));
      t.RoomName = BytesOf(q.value(2));
      t.BuildingNo = q.value(3).toInt();
      t.RoomNo = q.value(4).toInt();
      t.BeginTime = q.value(5).toDouble();
      t.EndTime = q.value(6).toDouble();
      t.UnitSystem = BytesOf(q.value(7));
      ReadParameters(q, 8, t);
      const std::vector<int32_t> codes = Codes(q.value(15), id);
      const size_t valued = static_cast<size_t>(std::count_if(
          codes.begin(), codes.end(), [](int32_t c) { return c >= 1 && c <= kTestValueCount; }));
      const std::optional<std::vector<double>> values =
          DecodeValues(q.value(16).toByteArray(), valued);
      if (!values) throw SqlFailure{QStringLiteral("the values of test %1 are damaged").arg(id)};
      size_t k = 0;
      for (const int32_t code : codes) {
        const bool hasValue = code >= 1 && code <= kTestValueCount;
        doc.StoreTestValue(index, code, hasValue ? (*values)[k++] : NoValue);
      }
      if (std::find(files.begin(), files.end(), file) == files.end()) {
        files.push_back(file);
        for (const int32_t c : Codes(q.value(17), id))
          fileSignals.push_back(c);
      }
      q.finish();
    }
    // The signal list of the one file the tests came from, else every listed code once.
    if (files.size() > 1) {
      std::sort(fileSignals.begin(), fileSignals.end());
      fileSignals.erase(std::unique(fileSignals.begin(), fileSignals.end()), fileSignals.end());
    }
    for (const int32_t c : fileSignals) {
      if (doc.DocSignalCount == kMaxSignalCode) break;
      ++doc.DocSignalCount;
      doc.DocSignals[doc.DocSignalCount] = doc.ColumnSignals[doc.DocSignalCount] = c;
    }
    doc.ColumnCount = doc.DocSignalCount;
    if (!files.empty()) LoadFileTexts(impl, files.front(), doc);
    doc.ShowAllTests();
    doc.Kind = DocumentKind::Results;
  } catch (const SqlFailure& f) {
    ClearDocument(doc);
    return impl.Failure(f);
  }
  return Outcome::Success();
}

Outcome Archive::LoadBlocks(const std::vector<int64_t>& ids, Document& doc) {
  ArchiveConnection& impl = *impl_;
  ClearDocument(doc);
  try {
    QSqlQuery q = impl.Prepare(QStringLiteral(
        "SELECT b.file_id, p.building, p.room, b.begin, b.interval_sec, b.sample_count, "
        "b.units, b.duct_shape, b.altitude, b.side_a, b.side_b, b.radius, b.metabolic_rate, "
        "b.clothing, b.signals FROM block b JOIN place p ON p.id = b.place_id WHERE b.id = ?"));
    QSqlQuery series =
        impl.Prepare(QStringLiteral("SELECT code, data FROM series WHERE block_id = ?"));
    int64_t firstFile = 0;
    for (const int64_t id : ids) {
      q.bindValue(0, static_cast<qlonglong>(id));
      impl.Exec(q);
      if (!q.next()) throw SqlFailure{QStringLiteral("there is no logging block %1").arg(id)};
      TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
      if (doc.LoggerBlocks.size() == 1) firstFile = q.value(0).toLongLong();
      b.BuildingName = BytesOf(q.value(1));
      b.RoomName = BytesOf(q.value(2));
      b.BeginTime = q.value(3).toDouble();
      b.IntervalSec = q.value(4).toInt();
      b.SampleCount = std::max(0, q.value(5).toInt());
      b.UnitSystem = BytesOf(q.value(6));
      ReadParameters(q, 7, b);
      for (const int32_t code : Codes(q.value(14), id)) {
        if (b.SignalCount == kLoggerSignals) break;
        b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
        if (code >= 1 && code <= kLoggerSignals) b.SignalPresent[static_cast<size_t>(code)] = 1;
      }
      q.finish();
      series.bindValue(0, static_cast<qlonglong>(id));
      impl.Exec(series);
      while (series.next()) {
        const int code = series.value(0).toInt();
        if (code < 1 || code > kLoggerSignals) continue;
        std::optional<std::vector<double>> samples =
            DecodeSeries(series.value(1).toByteArray(), static_cast<size_t>(b.SampleCount));
        if (!samples) {
          throw SqlFailure{QStringLiteral("the samples of block %1 are damaged").arg(id)};
        }
        b.Samples[static_cast<size_t>(StoragePos(code))] = std::move(*samples);
      }
      series.finish();
    }
    if (!doc.LoggerBlocks.empty()) LoadFileTexts(impl, firstFile, doc);
    doc.Kind = DocumentKind::Logging;
  } catch (const SqlFailure& f) {
    ClearDocument(doc);
    return impl.Failure(f);
  }
  return Outcome::Success();
}

}  // namespace qv
