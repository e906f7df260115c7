// Writing a file so that the previous file survives any failure: the bytes go to a temporary
// file in the target's folder, which replaces the target only after everything was written.
#pragma once

#include "base/Types.h"

#include <QString>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace qv {

class TextCodec;

struct WriteFailure {
  // Which piece failed: a failure to create the temporary file counts as piece 0, a failure of
  // the final flush and rename as the piece after the last.
  size_t piece = 0;
  Bytes message;  // the system's error text, encoded with the given codec
};

// Writes the pieces in order, each straight through to the system so that a failure is seen
// at the piece that caused it.
std::optional<WriteFailure> WriteFileSafely(const QString& path,
                                            std::initializer_list<std::string_view> pieces,
                                            const TextCodec& codec);

}  // namespace qv
