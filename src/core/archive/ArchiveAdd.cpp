// Adding files: each read and checked before the write lock is taken, then stored in one
// transaction.
#include "archive/Archive.h"

#include "archive/ArchiveConnection.h"
#include "archive/ValueCodec.h"
#include "files/ResultsFile.h"
#include "format/DateTimeText.h"
#include "store/SignalCatalog.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QVariant>

#include <algorithm>
#include <map>

namespace qv {
namespace {

void Bind(QSqlQuery& q, std::initializer_list<QVariant> values) {
  int i = 0;
  for (const QVariant& v : values)
    q.bindValue(i++, v);
}

class Adder {
 public:
  Adder(ArchiveConnection& impl, const TextCatalog& texts) : impl_(impl), texts_(texts) {
    fileKnown_ = impl.Prepare(QStringLiteral("SELECT 1 FROM file WHERE sha256 = ?"));
    instrumentInsert_ = impl.Prepare(QStringLiteral(
        "INSERT INTO instrument(serial, type, model, producer, firmware) VALUES (?, ?, ?, ?, ?) "
        "ON CONFLICT(serial) DO NOTHING"));
    instrumentId_ = impl.Prepare(QStringLiteral("SELECT id FROM instrument WHERE serial = ?"));
    fileInsert_ = impl.Prepare(QStringLiteral(
        "INSERT INTO file(path, size, sha256, added, kind, version, file_name, instrument_id, "
        "settings, signals, operator1, operator2, site1, site2, footer, comments) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT(sha256) DO NOTHING"));
    probeInsert_ = impl.Prepare(
        QStringLiteral("INSERT INTO probe(file_id, probe, serial, type) VALUES (?, ?, ?, ?)"));
    placeInsert_ = impl.Prepare(QStringLiteral(
        "INSERT INTO place(building, room) VALUES (?, ?) ON CONFLICT(building, room) DO NOTHING"));
    placeId_ = impl.Prepare(QStringLiteral("SELECT id FROM place WHERE building = ? AND room = ?"));
    testInsert_ = impl.Prepare(QStringLiteral(
        "INSERT INTO test(file_id, instrument_id, place_id, building_no, room_no, begin, end, "
        "units, duct_shape, altitude, side_a, side_b, radius, metabolic_rate, clothing, signals, "
        "value_data) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT(instrument_id, place_id, begin, signals) DO NOTHING"));
    blockInsert_ = impl.Prepare(QStringLiteral(
        "INSERT INTO block(file_id, instrument_id, place_id, begin, end, interval_sec, "
        "sample_count, units, duct_shape, altitude, side_a, side_b, radius, metabolic_rate, "
        "clothing, signals) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
        "ON CONFLICT(instrument_id, place_id, begin, signals) DO NOTHING"));
    seriesInsert_ =
        impl.Prepare(QStringLiteral("INSERT INTO series(block_id, code, data) VALUES (?, ?, ?) "
                                    "ON CONFLICT(block_id, code) DO NOTHING"));
  }

  ArchiveFileResult Add(const QString& path) {
    ArchiveFileResult result;
    result.path = path;
    Bytes error;
    const std::optional<QByteArray> bytes = ReadResultsFileBytes(path, impl_.codec, &error);
    if (!bytes) {
      result.message = error;
      return result;
    }
    const QByteArray sha = QCryptographicHash::hash(*bytes, QCryptographicHash::Sha256);
    Bind(fileKnown_, {sha});
    impl_.Exec(fileKnown_);
    const bool known = fileKnown_.next();
    fileKnown_.finish();
    if (known) {
      result.status = ArchiveFileResult::Status::Skipped;
      return result;
    }

    Document doc;
    const OpenOutcome read = ReadResultsFile(
        std::string_view(bytes->constData(), static_cast<size_t>(bytes->size())), doc, texts_);
    if (!read.outcome.ok()) {
      result.message = read.outcome.message;
      return result;
    }
    if (read.kind == MeasurementsKind::None) {
      result.message =
          impl_.codec.Encode(QStringLiteral("The file holds neither tests nor logging blocks."));
      return result;
    }

    impl_.Begin();
    try {
      const bool stored = Store(path, *bytes, sha, doc, read, result);
      impl_.Commit();
      result.status =
          stored ? ArchiveFileResult::Status::Added : ArchiveFileResult::Status::Skipped;
    } catch (...) {
      impl_.Rollback();
      throw;
    }
    return result;
  }

 private:
  // False when another program added the same bytes meanwhile.
  bool Store(const QString& path, const QByteArray& bytes, const QByteArray& sha,
             const Document& doc, const OpenOutcome& read, ArchiveFileResult& result) {
    places_.clear();
    const TInstrumentData& instrument = doc.InstrumentInfo;
    Bind(instrumentInsert_,
         {BlobValue(instrument.SerialNumber), BlobValue(instrument.InstrumentType),
          BlobValue(instrument.InstrumentCode), BlobValue(instrument.Producer),
          BlobValue(instrument.FirmwareVersion)});
    impl_.Exec(instrumentInsert_);
    Bind(instrumentId_, {BlobValue(instrument.SerialNumber)});
    impl_.Exec(instrumentId_);
    if (!instrumentId_.next()) throw SqlFailure{QStringLiteral("the instrument was not stored")};
    instrumentId = instrumentId_.value(0).toLongLong();
    instrumentId_.finish();

    const bool tests = read.kind == MeasurementsKind::Tests;
    QVariant signalList = QVariant(QMetaType::fromType<QByteArray>());  // NULL for logging files
    if (tests) {
      std::vector<int32_t> list;
      for (int j = 1; j <= std::clamp(doc.DocSignalCount, 0, kMaxSignalCode); ++j)
        list.push_back(doc.DocSignals[j]);
      signalList = BlobValue(EncodeCodes(list));
    }
    const PrintHeader& h = doc.Header;
    Bind(fileInsert_,
         {path, static_cast<qlonglong>(bytes.size()), sha,
          QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs),
          tests ? QStringLiteral("tests") : QStringLiteral("logging"), read.version,
          BlobValue(read.fileName), instrumentId, BlobValue(instrument.SettingsBlock), signalList,
          BlobValue(h.Lines[PrintHeader::Operator1]), BlobValue(h.Lines[PrintHeader::Operator2]),
          BlobValue(h.Lines[PrintHeader::TestSite1]), BlobValue(h.Lines[PrintHeader::TestSite2]),
          BlobValue(h.Lines[PrintHeader::Footer]), BlobValue(h.Comments)});
    impl_.Exec(fileInsert_);
    if (fileInsert_.numRowsAffected() == 0) return false;
    fileId = fileInsert_.lastInsertId().toLongLong();
    for (int p = 0; p < PrintHeader::ProbeCount; ++p) {
      Bind(probeInsert_, {fileId, p, BlobValue(h.ProbeSerNo[p]), BlobValue(h.ProbeType[p])});
      impl_.Exec(probeInsert_);
    }
    impl_.IndexFile(fileId, {h.Lines[PrintHeader::Operator1], h.Lines[PrintHeader::Operator2],
                             h.Lines[PrintHeader::TestSite1], h.Lines[PrintHeader::TestSite2],
                             h.Lines[PrintHeader::Footer], h.Comments});

    if (tests) {
      for (const TTestsRecord& t : doc.AllTests) {
        if (StoreTest(t)) ++result.tests;
      }
    } else {
      for (const TLoggerRecord& b : doc.LoggerBlocks) {
        const std::optional<int64_t> samples = StoreBlock(b);
        if (!samples) continue;
        ++result.blocks;
        result.samples += *samples;
      }
    }
    return true;
  }

  int64_t PlaceId(const Bytes& building, const Bytes& room) {
    const auto key = std::make_pair(building, room);
    const auto it = places_.find(key);
    if (it != places_.end()) return it->second;
    Bind(placeInsert_, {BlobValue(building), BlobValue(room)});
    impl_.Exec(placeInsert_);
    int64_t id = 0;
    if (placeInsert_.numRowsAffected() == 1) {
      id = placeInsert_.lastInsertId().toLongLong();
      impl_.IndexPlace(id, building, room);
    } else {
      Bind(placeId_, {BlobValue(building), BlobValue(room)});
      impl_.Exec(placeId_);
      if (!placeId_.next()) throw SqlFailure{QStringLiteral("the place was not stored")};
      id = placeId_.value(0).toLongLong();
      placeId_.finish();
    }
    places_.emplace(key, id);
    return id;
  }

  bool StoreTest(const TTestsRecord& t) {
    std::vector<int32_t> codes;
    std::vector<double> values;
    for (int code = 1; code <= kMaxSignalCode; ++code) {
      if (t.SignalPresent[code] == 0) continue;
      codes.push_back(code);
      if (code <= kTestValueCount) values.push_back(t.Values[StoragePos(code)]);
    }
    Bind(testInsert_,
         {fileId, instrumentId, static_cast<qlonglong>(PlaceId(t.BuildingName, t.RoomName)),
          t.BuildingNo, t.RoomNo, t.BeginTime, t.EndTime, BlobValue(t.UnitSystem),
          t.Params.DuctShape, t.Params.Altitude, t.Params.SideA, t.Params.SideB, t.Params.Radius,
          t.Params.MetabolicRate, t.Params.Clothing, BlobValue(EncodeCodes(codes)),
          BlobValue(EncodeValues(values))});
    impl_.Exec(testInsert_);
    return testInsert_.numRowsAffected() == 1;
  }

  // The samples stored, or nullopt when the block was there already.
  std::optional<int64_t> StoreBlock(const TLoggerRecord& b) {
    const int signalCount = std::clamp(b.SignalCount, 0, kLoggerSignals);
    const std::vector<int32_t> codes(b.SignalCodes.begin(), b.SignalCodes.begin() + signalCount);
    const DateTime end = AddSeconds(
        b.BeginTime, static_cast<double>(b.IntervalSec) * std::max(0, b.SampleCount - 1));
    Bind(blockInsert_,
         {fileId, instrumentId, static_cast<qlonglong>(PlaceId(b.BuildingName, b.RoomName)),
          b.BeginTime, end, b.IntervalSec, b.SampleCount, BlobValue(b.UnitSystem),
          b.Params.DuctShape, b.Params.Altitude, b.Params.SideA, b.Params.SideB, b.Params.Radius,
          b.Params.MetabolicRate, b.Params.Clothing, BlobValue(EncodeCodes(codes))});
    impl_.Exec(blockInsert_);
    if (blockInsert_.numRowsAffected() != 1) return std::nullopt;
    const qlonglong blockId = blockInsert_.lastInsertId().toLongLong();
    int64_t samples = 0;
    for (const int32_t code : codes) {
      // The reader keeps samples of codes 1..64 only; a code listed twice shares one series.
      if (code < 1 || code > kLoggerSignals) continue;
      const std::vector<double>& series = b.Samples[StoragePos(code)];
      Bind(seriesInsert_, {blockId, code, BlobValue(EncodeSeries(series))});
      impl_.Exec(seriesInsert_);
      if (seriesInsert_.numRowsAffected() == 1) samples += static_cast<int64_t>(series.size());
    }
    return samples;
  }

  ArchiveConnection& impl_;
  const TextCatalog& texts_;
  QSqlQuery fileKnown_, instrumentInsert_, instrumentId_, fileInsert_, probeInsert_, placeInsert_,
      placeId_, testInsert_, blockInsert_, seriesInsert_;
  std::map<std::pair<Bytes, Bytes>, int64_t> places_;  // of the file being stored
  qlonglong instrumentId = 0;
  qlonglong fileId = 0;
};

}  // namespace

ArchiveAddSummary Archive::AddFiles(const QStringList& files, const TextCatalog& texts,
                                    const ArchiveAddOptions& options) {
  ArchiveAddSummary summary;
  QString current;
  try {
    Adder adder(*impl_, texts);
    const int total = static_cast<int>(files.size());
    for (int i = 0; i < total; ++i) {
      current = files[i];
      if (options.cancel != nullptr && options.cancel->load()) {
        summary.cancelled = true;
        break;
      }
      const ArchiveFileResult r = adder.Add(files[i]);
      switch (r.status) {
        case ArchiveFileResult::Status::Added:
          ++summary.addedFiles;
          summary.tests += r.tests;
          summary.blocks += r.blocks;
          summary.samples += r.samples;
          break;
        case ArchiveFileResult::Status::Skipped:
          ++summary.skippedFiles;
          break;
        case ArchiveFileResult::Status::Failed:
          summary.errors.push_back(r);
          break;
      }
      if (options.progress) options.progress(r, i + 1, total);
    }
  } catch (const SqlFailure& f) {
    summary.outcome = impl_->Failure(
        current.isEmpty() ? f.text : f.text + QStringLiteral(" (adding %1)").arg(current));
  }
  return summary;
}

}  // namespace qv
