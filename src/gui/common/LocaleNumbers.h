// Numbers shown to the person follow the system locale's decimal separator.
#pragma once

#include <QLocale>
#include <QString>

namespace qv {

// The separator as the value texts of the core take it: ',' or '.'.
inline char LocaleDecimalSeparator() {
  return QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.';
}

}  // namespace qv
