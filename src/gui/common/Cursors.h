// The mouse cursor over long work: the hourglass for a command's length, and the arrow again
// while a person is asked something in the middle of it.
#pragma once

#include <QApplication>
#include <QCursor>

namespace qv {

// The hourglass until the end of the scope, on every way out.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The arrow for the length of a question, whatever hourglasses are set around it; they come
// back afterwards.
class ArrowWhileAsking {
 public:
  ArrowWhileAsking() {
    while (QApplication::overrideCursor() != nullptr) {
      QApplication::restoreOverrideCursor();
      ++depth_;
    }
  }
  ~ArrowWhileAsking() {
    for (int i = 0; i < depth_; ++i)
      QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ArrowWhileAsking(const ArrowWhileAsking&) = delete;
  ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

 private:
  int depth_ = 0;
};

}  // namespace qv
