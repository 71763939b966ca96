#include "SaneOptions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pyxa::scanhelper {
namespace {

using scanwire::Writer;

std::uint8_t WireType(SANE_Value_Type t) {
  switch (t) {
    case SANE_TYPE_BOOL: return 0;
    case SANE_TYPE_INT: return 1;
    case SANE_TYPE_FIXED: return 2;
    case SANE_TYPE_STRING: return 3;
    default: return 4;  // button
  }
}

double Number(SANE_Value_Type t, SANE_Word w) { return t == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w); }

int OptionCount(SANE_Handle device) {
  SANE_Int count = 0;
  if (sane_control_option(device, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) return 0;
  return count;
}

void WriteValue(Writer& w, SANE_Handle device, int index, const SANE_Option_Descriptor& d) {
  const bool readable = SANE_OPTION_IS_ACTIVE(d.cap) && d.type != SANE_TYPE_BUTTON && d.type != SANE_TYPE_GROUP &&
                        d.size > 0;
  if (!readable) {
    w.U8(0);
    return;
  }
  // Backends may write up to size bytes; a little spare room guards against one that writes a
  // terminating byte beyond it.
  std::vector<char> value(static_cast<std::size_t>(d.size) + 8, 0);
  if (sane_control_option(device, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD) {
    w.U8(0);
    return;
  }
  if (d.type == SANE_TYPE_STRING) {
    w.U8(2).Str(std::string(value.data(), strnlen(value.data(), static_cast<std::size_t>(d.size))));
    return;
  }
  const auto words = static_cast<std::uint32_t>(static_cast<std::size_t>(d.size) / sizeof(SANE_Word));
  w.U8(1).U32(words);
  for (std::uint32_t i = 0; i < words; ++i) {
    SANE_Word word;
    std::memcpy(&word, value.data() + i * sizeof(SANE_Word), sizeof word);
    w.F64(Number(d.type, word));
  }
}

void WriteConstraint(Writer& w, const SANE_Option_Descriptor& d) {
  if (d.constraint_type == SANE_CONSTRAINT_RANGE && d.constraint.range) {
    const auto* r = d.constraint.range;
    w.U8(1).F64(Number(d.type, r->min)).F64(Number(d.type, r->max)).F64(Number(d.type, r->quant));
  } else if (d.constraint_type == SANE_CONSTRAINT_WORD_LIST && d.constraint.word_list) {
    const SANE_Word* list = d.constraint.word_list;  // the first word is the count
    w.U8(2).U32(static_cast<std::uint32_t>(list[0]));
    for (SANE_Word i = 1; i <= list[0]; ++i) w.U8(0).F64(Number(d.type, list[i]));
  } else if (d.constraint_type == SANE_CONSTRAINT_STRING_LIST && d.constraint.string_list) {
    std::uint32_t n = 0;
    while (d.constraint.string_list[n]) ++n;
    w.U8(2).U32(n);
    for (std::uint32_t i = 0; i < n; ++i) w.U8(1).Str(d.constraint.string_list[i]);
  } else {
    w.U8(0);
  }
}

int FindOption(SANE_Handle device, const std::string& name, const SANE_Option_Descriptor** out) {
  const int count = OptionCount(device);
  for (int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(device, i);
    if (d && d->name && name == d->name && d->type != SANE_TYPE_GROUP) {
      *out = d;
      return i;
    }
  }
  return -1;
}

// A text setting for a numeric option must be a whole number text, e.g. "300" from a list box.
bool ParseNumber(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end && *end == '\0' && std::isfinite(out);
}

SANE_Status SetOne(SANE_Handle device, const std::string& name, std::uint8_t kind, double number,
                   const std::string& text) {
  const SANE_Option_Descriptor* d = nullptr;
  const int index = FindOption(device, name, &d);
  if (index < 0 || !SANE_OPTION_IS_SETTABLE(d->cap) || !SANE_OPTION_IS_ACTIVE(d->cap)) return SANE_STATUS_INVAL;
  SANE_Int info = 0;
  if (d->type == SANE_TYPE_BUTTON) return sane_control_option(device, index, SANE_ACTION_SET_VALUE, nullptr, &info);
  if (d->type == SANE_TYPE_STRING) {
    if (kind != static_cast<std::uint8_t>(scanwire::Setting::Text) || d->size <= 0 ||
        text.size() >= static_cast<std::size_t>(d->size))
      return SANE_STATUS_INVAL;
    std::vector<char> value(static_cast<std::size_t>(d->size), 0);
    std::memcpy(value.data(), text.data(), text.size());
    return sane_control_option(device, index, SANE_ACTION_SET_VALUE, value.data(), &info);
  }
  if (kind == static_cast<std::uint8_t>(scanwire::Setting::Text) && !ParseNumber(text, number)) return SANE_STATUS_INVAL;
  if (d->size != sizeof(SANE_Word)) return SANE_STATUS_INVAL;  // several values: not settable from one number
  SANE_Word word = 0;
  if (d->type == SANE_TYPE_BOOL) {
    word = number != 0 ? SANE_TRUE : SANE_FALSE;
  } else if (d->type == SANE_TYPE_INT) {
    if (std::fabs(number) > 2147483647.0) return SANE_STATUS_INVAL;
    word = static_cast<SANE_Word>(std::lround(number));
  } else {
    if (std::fabs(number) > 32767.0) return SANE_STATUS_INVAL;
    word = SANE_FIX(number);
  }
  return sane_control_option(device, index, SANE_ACTION_SET_VALUE, &word, &info);
}

}  // namespace

std::string DescribeOptions(SANE_Handle device) {
  Writer w(scanwire::Msg::Options);
  std::vector<int> indexes;
  const int count = OptionCount(device);
  for (int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(device, i);
    if (d && d->name && *d->name && d->type != SANE_TYPE_GROUP) indexes.push_back(i);
  }
  w.U32(static_cast<std::uint32_t>(indexes.size()));
  for (int i : indexes) {
    const SANE_Option_Descriptor& d = *sane_get_option_descriptor(device, i);
    w.Str(d.name).Str(d.title ? d.title : "").Str(d.desc ? d.desc : "");
    w.U8(WireType(d.type)).U8(static_cast<std::uint8_t>(d.unit));
    w.U8(SANE_OPTION_IS_SETTABLE(d.cap) ? 1 : 0).U8(SANE_OPTION_IS_ACTIVE(d.cap) ? 1 : 0);
    WriteConstraint(w, d);
    WriteValue(w, device, i, d);
  }
  return w.Finish();
}

SetResult ApplySettings(SANE_Handle device, scanwire::Reader& settings) {
  const std::uint32_t n = settings.Count(6);
  for (std::uint32_t i = 0; i < n && settings.Ok(); ++i) {
    const std::string name = settings.Str();
    const std::uint8_t kind = settings.U8();
    double number = 0;
    std::string text;
    if (kind == static_cast<std::uint8_t>(scanwire::Setting::Number)) number = settings.F64();
    else text = settings.Str();
    if (!settings.Ok()) break;
    const SANE_Status s = SetOne(device, name, kind, number, text);
    if (s != SANE_STATUS_GOOD) return {s, name};
  }
  if (!settings.Ok()) return {SANE_STATUS_INVAL, ""};
  return {};
}

std::string StringOption(SANE_Handle device, const char* name) {
  const SANE_Option_Descriptor* d = nullptr;
  const int index = FindOption(device, name, &d);
  if (index < 0 || d->type != SANE_TYPE_STRING || !SANE_OPTION_IS_ACTIVE(d->cap) || d->size <= 0) return {};
  std::vector<char> value(static_cast<std::size_t>(d->size) + 8, 0);
  if (sane_control_option(device, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD) return {};
  return std::string(value.data(), strnlen(value.data(), static_cast<std::size_t>(d->size)));
}

}  // namespace pyxa::scanhelper

namespace pyxa::scanhelper {

double NumberOption(SANE_Handle device, const char* name) {
  const SANE_Option_Descriptor* d = nullptr;
  const int index = FindOption(device, name, &d);
  if (index < 0 || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || !SANE_OPTION_IS_ACTIVE(d->cap) ||
      d->size != sizeof(SANE_Word))
    return 0;
  SANE_Word word = 0;
  if (sane_control_option(device, index, SANE_ACTION_GET_VALUE, &word, nullptr) != SANE_STATUS_GOOD) return 0;
  return Number(d->type, word);
}

}  // namespace pyxa::scanhelper
