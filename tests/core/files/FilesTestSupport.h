// Shared helpers of the document-file tests: a small language catalog, scratch folders and
// whole-file reads.
#pragma once

#include "app/TextCatalog.h"
#include "store/Document.h"
#include "store/SignalCatalog.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <string>

namespace qv::test {

inline const TextCatalog& Texts() {
  static const TextCatalog texts = TextCatalog::FromBytes(
      "[Language]\r\n"
      "msgNoDataToSave_35=Nothing to save\r\n"
      "msgFileSaveError_35   Error #10=Save failed #10\r\n"
      "msgFileSaveError_35   Error #11=Save failed #11\r\n"
      "msgFileNotCorrect_35=Not a results file\r\n"
      "msgMaxLogRow=Too many rows\r\n"
      "msgNoDatToExp_50=Nothing to export\r\n"
      "Level1_8=Building\r\n"
      "Level2_8=Room\r\n"
      "BeginTime_10=Begin\r\n"
      "EndTime_10=End\r\n"
      "Time_10=Time\r\n"
      "AirTemp_10=Air temp.\r\n"
      "RelHum_10=Humidity\r\n"
      "AirVel_10=Air velocity\r\n"
      "Curr_5=Curr\r\n"
      "Avg_5=Avg\r\n"
      "Unit-Cels_10=C\r\n"
      "Unit-Farh_10=F\r\n"
      "Unit-ProcRH_10=%RH\r\n"
      "Unit-M/S_10=m/s\r\n"
      "Unit-FT/MIN_10=ft/min\r\n");
  return texts;
}

inline std::string DataFile(const char* name) {
  QFile f(QString(QV_TEST_DATA_DIR) + "/files/" + name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = f.readAll();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

inline std::string ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  const QByteArray bytes = f.readAll();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

inline void WriteAll(const QString& path, const std::string& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// Replaces the first occurrence; the test fails loudly if the text is not there.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at == std::string::npos) return "<" + from + " not found>";
  return text.replace(at, from.size(), to);
}

inline void SetValue(TTestsRecord& t, int code, double v) {
  t.SignalPresent[code] = 1;
  if (code <= kTestValueCount) t.Values[StoragePos(code)] = v;
}

// A block with the given codes, sized for n samples (all 0).
inline TLoggerRecord Block(std::initializer_list<int> codes, int n) {
  TLoggerRecord b;
  for (int c : codes) {
    b.SignalCodes[b.SignalCount++] = c;
    b.SignalPresent[c] = 1;
    b.Samples[StoragePos(c)].assign(n, 0.0);
  }
  b.SampleCount = n;
  return b;
}

inline std::vector<double>& SamplesOf(TLoggerRecord& b, int code) {
  return b.Samples[StoragePos(code)];
}

}  // namespace qv::test
