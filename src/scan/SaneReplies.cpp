#include "scan/SaneReplies.h"

#include <climits>

namespace pyxa {
namespace {

using scanwire::Reader;
using scanwire::Writer;

QString Text(Reader& r) { return QString::fromStdString(r.Str()); }

int ToInt(std::uint32_t v) { return v > INT_MAX ? -1 : int(v); }

bool IsNumber(const QVariant& v) {
  switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
      return true;
    default:
      return false;
  }
}

QVariant Scalar(ScannerOption::Type type, double v) {
  switch (type) {
    case ScannerOption::Type::Bool: return QVariant(v != 0);
    case ScannerOption::Type::Int: return QVariant(int(v));
    default: return QVariant(v);
  }
}

bool ReadConstraint(Reader& r, ScannerOption& o) {
  switch (r.U8()) {
    case 0:
      o.constraint = ScannerOption::Constraint::None;
      return r.Ok();
    case 1:
      o.constraint = ScannerOption::Constraint::Range;
      o.min = r.F64();
      o.max = r.F64();
      o.step = r.F64();
      return r.Ok();
    case 2: {
      o.constraint = ScannerOption::Constraint::List;
      const std::uint32_t n = r.Count(5);
      for (std::uint32_t i = 0; i < n && r.Ok(); ++i) {
        if (r.U8() == 0) o.allowed.append(Scalar(o.type, r.F64()));
        else o.allowed.append(Text(r));
      }
      return r.Ok();
    }
    default:
      return false;
  }
}

bool ReadValue(Reader& r, ScannerOption& o) {
  switch (r.U8()) {
    case 0:
      return r.Ok();
    case 1: {
      const std::uint32_t n = r.Count(8);
      QVariantList values;
      for (std::uint32_t i = 0; i < n && r.Ok(); ++i) values.append(Scalar(o.type, r.F64()));
      if (values.size() == 1) o.value = values.first();
      else if (!values.isEmpty()) o.value = values;
      return r.Ok();
    }
    case 2:
      o.value = Text(r);
      return r.Ok();
    default:
      return false;
  }
}

}  // namespace

std::string EncodeOptionsRequest(const QString& device) {
  return Writer(scanwire::Msg::GetOptions).Str(device.toStdString()).Finish();
}

std::string EncodeScanRequest(const QString& device, const QList<OptionSetting>& settings, int maxPages) {
  Writer w(scanwire::Msg::Scan);
  w.Str(device.toStdString()).U32(std::uint32_t(std::max(0, maxPages))).U32(std::uint32_t(settings.size()));
  for (const OptionSetting& s : settings) {
    w.Str(s.name.toStdString());
    if (IsNumber(s.value)) w.U8(std::uint8_t(scanwire::Setting::Number)).F64(s.value.toDouble());
    else w.U8(std::uint8_t(scanwire::Setting::Text)).Str(s.value.toString().toStdString());
  }
  return w.Finish();
}

std::optional<QList<ScannerDevice>> DecodeDevices(std::string_view payload) {
  Reader r(payload);
  QList<ScannerDevice> devices;
  const std::uint32_t n = r.Count(16);
  for (std::uint32_t i = 0; i < n && r.Ok(); ++i) {
    ScannerDevice d;
    d.name = Text(r);
    d.vendor = Text(r);
    d.model = Text(r);
    d.type = Text(r);
    devices.append(d);
  }
  if (!r.Ok() || !r.AtEnd()) return std::nullopt;
  return devices;
}

std::optional<QList<ScannerOption>> DecodeOptions(std::string_view payload) {
  Reader r(payload);
  QList<ScannerOption> options;
  const std::uint32_t n = r.Count(20);
  for (std::uint32_t i = 0; i < n && r.Ok(); ++i) {
    ScannerOption o;
    o.name = Text(r);
    o.title = Text(r);
    o.description = Text(r);
    const std::uint8_t type = r.U8();
    const std::uint8_t unit = r.U8();
    if (type > 4 || unit > 6) return std::nullopt;
    o.type = ScannerOption::Type(type);
    o.unit = ScannerOption::Unit(unit);
    o.settable = r.U8() != 0;
    o.active = r.U8() != 0;
    if (!ReadConstraint(r, o) || !ReadValue(r, o)) return std::nullopt;
    options.append(o);
  }
  if (!r.Ok() || !r.AtEnd()) return std::nullopt;
  return options;
}

std::optional<PageStart> DecodePageStart(std::string_view payload) {
  Reader r(payload);
  PageStart s;
  s.page = ToInt(r.U32());
  const std::uint8_t frame = r.U8();
  s.format.frame = frame == 1 ? scanwire::Frame::Rgb : scanwire::Frame::Gray;
  s.format.depth = ToInt(r.U32());
  s.format.width = ToInt(r.U32());
  s.format.lines = r.I32();
  s.format.bytesPerLine = ToInt(r.U32());
  s.format.xDpi = r.F64();
  s.format.yDpi = r.F64();
  if (!r.Ok() || !r.AtEnd() || frame > 1) return std::nullopt;
  return s;
}

std::optional<HelperStatus> DecodeStatus(std::string_view payload) {
  Reader r(payload);
  HelperStatus s;
  const std::uint8_t phase = r.U8();
  s.saneStatus = r.I32();
  s.page = ToInt(r.U32());
  s.detail = Text(r);
  if (!r.Ok() || !r.AtEnd() || phase > std::uint8_t(scanwire::Phase::Describe)) return std::nullopt;
  s.phase = scanwire::Phase(phase);
  return s;
}

}  // namespace pyxa
