// The compact forms the archive keeps numbers in: a logged series of one code, the values of
// one test, and a list of signal codes, each as a BLOB.
//
// The files hold values as decimal texts of a few digits ("21.4", "812"). A series is stored
// as those decimals: a scale of d decimals and, per sample, the change of the scaled integer
// from the previous sample as a variable-length integer, usually one byte where the file
// spends five to eight. n / 10^d is the double nearest to the decimal, the number the file
// reader makes of the text, so every value comes back exactly as read. A series that no scale
// of up to nine decimals reproduces exactly (a value typed into a file with more digits, a
// non-finite one) is kept as little-endian doubles instead. "No value" is a token of its own
// in the scaled form and the exact NoValue double in the other, so it stays distinguishable
// from every number.
#pragma once

#include "base/Types.h"

#include <QByteArray>
#include <optional>
#include <vector>

namespace qv {

QByteArray EncodeSeries(const std::vector<double>& values);
// nullopt when the bytes are not a series of exactly `count` values (a damaged database):
// never a read past them.
std::optional<std::vector<double>> DecodeSeries(const QByteArray& bytes, size_t count);

// The values of a test, each scaled on its own (neighbouring codes are other quantities).
QByteArray EncodeValues(const std::vector<double>& values);
std::optional<std::vector<double>> DecodeValues(const QByteArray& bytes, size_t count);

// Signal codes in the order given, any 32-bit numbers (files may name codes that do not exist).
QByteArray EncodeCodes(const std::vector<int32_t>& codes);
std::optional<std::vector<int32_t>> DecodeCodes(const QByteArray& bytes);

}  // namespace qv
