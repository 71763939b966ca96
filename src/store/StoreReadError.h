// The failure to create, open, read or write the local store, as the windows report it: Number is
// SQLite's result code or one of the document database's codes (kDbNotADatabase,
// kDbWrongPassword, the codes of a failed Create); Description says why in plain words. Callers
// show both with the generic error message.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace pyxa {

class StoreReadError : public std::runtime_error {
 public:
  StoreReadError(std::int32_t number, const QString& description)
      : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
  std::int32_t Number() const { return number_; }
  const QString& Description() const { return description_; }

 private:
  std::int32_t number_;
  QString description_;
};

}  // namespace pyxa
