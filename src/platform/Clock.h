// The time source of the program, injectable so that tests can move time by hand.
#pragma once

#include <QDateTime>

namespace pyxa {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime Now() const = 0;
};

class SystemClock final : public Clock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stands still until a test moves it.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(9, 0))) : now_(std::move(start)) {}
  QDateTime Now() const override { return now_; }
  void Set(const QDateTime& t) { now_ = t; }
  void AdvanceSeconds(qint64 s) { now_ = now_.addSecs(s); }

 private:
  QDateTime now_;
};

}  // namespace pyxa
