#include "app/Settings.h"

#include "app/TextCodec.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <string>
#include <utility>

namespace qv {
namespace {

// One short-lived handle per operation, as every reader and writer of the store works.
class Handle {
 public:
  explicit Handle(const std::string& application)
      : settings_(QSettings::NativeFormat, QSettings::UserScope,
                  QString::fromStdString(application)) {}
  QSettings& operator*() { return settings_; }
  QSettings* operator->() { return &settings_; }

 private:
  QSettings settings_;
};

ReadResult WrongType(const char* name, const QVariant& value, const char* expected,
                     const QSettings& settings) {
  QString shown;
  if (value.typeId() == QMetaType::QStringList) {
    shown = value.toStringList().join(QStringLiteral(", "));
  } else if (value.canConvert<QString>()) {
    shown = value.toString();
  } else {
    shown = QStringLiteral("(") + QString::fromLatin1(value.typeName()) + QStringLiteral(")");
  }
  // Appended piece by piece into one string: GCC 12 at -O3 takes `"literal" + std::string&&`
  // inside libstdc++ for an overlapping copy (-Wrestrict).
  std::string message = "The setting \"";
  message += name;
  message += "\" in ";
  message += settings.fileName().toStdString();
  message += " holds \"";
  message += shown.toStdString();
  message += "\", which is not ";
  message += expected;
  message += '.';
  return ReadResult{ReadStatus::WrongType, std::move(message)};
}

// The value as a 32-bit integer. Values written in this run may still be held as numbers;
// values read from the file are texts and must be a whole decimal number in range.
bool ToInt32(const QVariant& value, int32_t& out) {
  qint64 wide = 0;
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
      bool ok = false;
      wide = value.toLongLong(&ok);
      if (!ok) return false;
      break;
    }
    case QMetaType::ULongLong: {
      const qulonglong u = value.toULongLong();
      if (u > static_cast<qulonglong>(std::numeric_limits<int32_t>::max())) return false;
      wide = static_cast<qint64>(u);
      break;
    }
    case QMetaType::QString: {
      bool ok = false;
      wide = value.toString().toLongLong(&ok, 10);
      if (!ok) return false;
      break;
    }
    default:
      return false;
  }
  if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(wide);
  return true;
}

}  // namespace

SettingsStore::SettingsStore(std::string application, QByteArray codePage)
    : application_(std::move(application)), codePage_(std::move(codePage)) {}

bool SettingsStore::Exists() const {
  Handle s(application_);
  return !s->allKeys().isEmpty();
}

ReadResult SettingsStore::ReadText(const char* name, Bytes& target) const {
  Handle s(application_);
  const QString key = QString::fromLatin1(name);
  if (!s->contains(key)) return ReadResult{};
  const QVariant value = s->value(key);
  QString text;
  switch (value.typeId()) {
    case QMetaType::QString:
      text = value.toString();
      break;
    case QMetaType::QStringList:
      // The native format splits an unquoted text at its commas when it reads it back.
      text = value.toStringList().join(QStringLiteral(", "));
      break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      text = value.toString();
      break;
    default:
      return WrongType(name, value, "a text", *s);
  }
  target = TextCodec(codePage_).Encode(text);
  return ReadResult{ReadStatus::Ok, {}};
}

namespace {

ReadResult ReadInteger(const std::string& application, const char* name, int32_t& target,
                       const char* expected) {
  Handle s(application);
  const QString key = QString::fromLatin1(name);
  if (!s->contains(key)) return ReadResult{};
  const QVariant value = s->value(key);
  int32_t v = 0;
  if (!ToInt32(value, v)) return WrongType(name, value, expected, *s);
  target = v;
  return ReadResult{ReadStatus::Ok, {}};
}

}  // namespace

ReadResult SettingsStore::ReadInt(const char* name, int32_t& target) const {
  return ReadInteger(application_, name, target, "a 32-bit integer");
}

ReadResult SettingsStore::ReadBool(const char* name, bool& target) const {
  int32_t v = 0;
  ReadResult r = ReadInteger(application_, name, v, "a yes/no value stored as an integer (1 or 0)");
  if (r.ok()) target = v != 0;
  return r;
}

namespace {

template <typename T, typename Convert>
bool WriteValues(const std::string& application,
                 const std::vector<std::pair<const char*, T>>& values, Convert convert) {
  Handle s(application);
  if (!s->isWritable()) return false;
  for (const auto& [name, value] : values)
    s->setValue(QString::fromLatin1(name), convert(value));
  s->sync();
  return s->status() == QSettings::NoError;
}

QVariant IntValue(int32_t v) {
  return QVariant(static_cast<int>(v));
}

}  // namespace

bool SettingsStore::WriteText(const char* name, const Bytes& value) const {
  return WriteTexts({{name, value}});
}

bool SettingsStore::WriteInt(const char* name, int32_t value) const {
  return WriteInts({{name, value}});
}

bool SettingsStore::WriteBool(const char* name, bool value) const {
  return WriteInt(name, value ? 1 : 0);
}

bool SettingsStore::WriteInts(const std::vector<std::pair<const char*, int32_t>>& values) const {
  return WriteValues(application_, values, IntValue);
}

bool SettingsStore::WriteTexts(const std::vector<std::pair<const char*, Bytes>>& values) const {
  const TextCodec codec(codePage_);
  return WriteValues(application_, values,
                     [&codec](const Bytes& text) { return QVariant(codec.Decode(text)); });
}

std::string SettingsStore::Location() const {
  Handle s(application_);
  return s->fileName().toStdString();
}

}  // namespace qv
