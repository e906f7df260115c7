// How a document-file operation ended, for the caller to show.
#pragma once

#include "base/Types.h"

#include <utility>

namespace qv {

struct Outcome {
  enum class Status {
    Done,     // written, read or converted
    Refused,  // nothing to do (information box); nothing was touched
    Failed,   // could not be done (warning box)
  };
  Status status = Status::Done;
  // The text to show when not Done: translated, with its literal suffix, or the system's own
  // error text. Empty when Done.
  Bytes message;

  bool ok() const { return status == Status::Done; }
  static Outcome Success() { return {}; }
  static Outcome Refusal(Bytes text) { return {Status::Refused, std::move(text)}; }
  static Outcome Failure(Bytes text) { return {Status::Failed, std::move(text)}; }
};

}  // namespace qv
