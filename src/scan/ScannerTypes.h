// What a scanner source tells about its devices and options, and what a caller asks it to set: plain
// values that a window can show and edit without knowing where they came from.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace pyxa {

struct ScannerDevice {
  QString name;  // the name to open it by, e.g. "test:0" or "epson2:libusb:001:004"
  QString vendor;
  QString model;
  QString type;  // "flatbed scanner", "sheetfed scanner", ...
};

struct ScannerOption {
  enum class Type { Bool, Int, Fixed, String, Button };
  enum class Unit { None, Pixel, Bit, Millimetre, Dpi, Percent, Microsecond };
  enum class Constraint { None, Range, List };

  QString name;  // "source", "mode", "resolution", "tl-x", "brightness", ...
  QString title;
  QString description;
  Type type = Type::Int;
  Unit unit = Unit::None;
  Constraint constraint = Constraint::None;
  double min = 0;  // Range only; step 0 means any value between
  double max = 0;
  double step = 0;
  QVariantList allowed;  // List only: numbers, or strings for a String option
  // bool, int, double or QString; a QVariantList for an option that holds several values; invalid
  // when the device does not say (an inactive option, a button).
  QVariant value;
  bool settable = false;
  bool active = false;
};

// One value to set before scanning; settings are applied in the order given, because one option can
// change what another offers (the mode limits the depth, the source limits the page size).
struct OptionSetting {
  QString name;
  QVariant value;  // a number, bool or text; a button is pressed whatever the value
};

struct DeviceList {
  QList<ScannerDevice> devices;
  QString error;  // empty when the list was read; otherwise why not, in the program's words
  bool ok() const { return error.isEmpty(); }
};

struct OptionList {
  QList<ScannerOption> options;
  QString error;
  bool ok() const { return error.isEmpty(); }
};

}  // namespace pyxa
