// The demo's document feeder: a SANE backend ("pyxafeed") with one virtual device, pyxafeed:feeder,
// whose sheets are the PNM files of the folder its pyxafeed.conf names ("folder /path"), fed in name
// order. After the last sheet the feeder is empty (SANE_STATUS_NO_DOCS); a batch that ended that way,
// or with a sheet that could not be read, starts again from the first file, so the demo batch can be
// scanned as often as the clerk likes. The folder is looked at when a batch starts, so a batch made
// while the program runs is the one scanned next.
#include <dirent.h>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "PnmPage.h"

using namespace pyxa::demofeeder;

namespace {

constexpr const char* kSource = "Automatic Document Feeder";
SANE_String_Const g_modes[] = {SANE_VALUE_SCAN_MODE_LINEART, SANE_VALUE_SCAN_MODE_GRAY, SANE_VALUE_SCAN_MODE_COLOR,
                               nullptr};
SANE_String_Const g_sources[] = {kSource, nullptr};
constexpr SANE_Int kStringSize = 32;  // room for the longest choice and its terminating byte
constexpr SANE_Word kDefaultResolution = 200;

SANE_Device g_device{"feeder", "Pyxa", "Demo document feeder", "virtual device"};
const SANE_Device* g_devices[] = {&g_device, nullptr};

enum Option { kCount, kMode, kSourceOption, kResolution, kOptions };

struct Config {
  std::string folder;
  SANE_Word resolution = kDefaultResolution;
};

void Log(const std::string& text) { std::fprintf(stderr, "pyxafeed: %s\n", text.c_str()); }

// pyxafeed.conf in SANE's configuration folders: SANE_CONFIG_DIR's, and the system's when it is unset
// or ends with a colon, as for SANE's own backends.
std::string ConfigFile() {
  const char* env = std::getenv("SANE_CONFIG_DIR");
  std::string dirs = env ? env : ":";
  if (dirs.empty() || dirs.back() == ':') dirs += "/etc/sane.d";
  std::size_t from = 0;
  while (from <= dirs.size()) {
    const std::size_t colon = std::min(dirs.find(':', from), dirs.size());
    const std::string dir = dirs.substr(from, colon - from);
    from = colon + 1;
    if (dir.empty()) continue;
    const std::string path = dir + "/pyxafeed.conf";
    struct stat st{};
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return {};
}

std::string Trimmed(const std::string& text) {
  const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
  const auto first = std::find_if(text.begin(), text.end(), notSpace);
  const auto last = std::find_if(text.rbegin(), text.rend(), notSpace).base();
  return first < last ? std::string(first, last) : std::string();
}

// "folder /path" (the rest of the line, so a path may hold spaces) and "resolution 200"; # comments.
Config ReadConfig() {
  Config config;
  const std::string path = ConfigFile();
  if (path.empty()) return config;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    line = Trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t space = line.find_first_of(" \t");
    const std::string key = line.substr(0, space);
    const std::string value = space == std::string::npos ? std::string() : Trimmed(line.substr(space));
    if (key == "folder") {
      config.folder = value;
    } else if (key == "resolution") {
      char* end = nullptr;
      const long dpi = std::strtol(value.c_str(), &end, 10);
      if (end && *end == '\0' && dpi >= 1 && dpi <= 9600) config.resolution = static_cast<SANE_Word>(dpi);
      else Log(path + ": ignoring resolution \"" + value + "\"");
    }
  }
  return config;
}

bool IsPnmName(const std::string& name) {
  if (name.empty() || name[0] == '.' || name.size() < 5) return false;
  std::string ext = name.substr(name.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".pnm" || ext == ".pbm" || ext == ".pgm" || ext == ".ppm";
}

// The folder's PNM files in name order; none when the folder is missing.
std::vector<std::string> Sheets(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    Log("cannot open the folder " + folder + ": the feeder is empty");
    return names;
  }
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsPnmName(name)) continue;
    struct stat st{};
    if (stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (std::string& name : names) name = folder + "/" + name;
  return names;
}

struct Feeder {
  Feeder() {
    const auto describe = [this](Option o, SANE_String_Const name, SANE_String_Const title, SANE_String_Const desc,
                                 SANE_Value_Type type, SANE_Unit unit, SANE_Int size, SANE_Int cap) {
      SANE_Option_Descriptor& d = descriptors[o];
      d.name = name;
      d.title = title;
      d.desc = desc;
      d.type = type;
      d.unit = unit;
      d.size = size;
      d.cap = cap;
      d.constraint_type = SANE_CONSTRAINT_NONE;
    };
    constexpr SANE_Int kSelect = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
    describe(kCount, SANE_NAME_NUM_OPTIONS, SANE_TITLE_NUM_OPTIONS, SANE_DESC_NUM_OPTIONS, SANE_TYPE_INT,
             SANE_UNIT_NONE, sizeof(SANE_Word), SANE_CAP_SOFT_DETECT);
    describe(kMode, SANE_NAME_SCAN_MODE, SANE_TITLE_SCAN_MODE, SANE_DESC_SCAN_MODE, SANE_TYPE_STRING, SANE_UNIT_NONE,
             kStringSize, kSelect);
    descriptors[kMode].constraint_type = SANE_CONSTRAINT_STRING_LIST;
    descriptors[kMode].constraint.string_list = g_modes;
    describe(kSourceOption, SANE_NAME_SCAN_SOURCE, SANE_TITLE_SCAN_SOURCE, SANE_DESC_SCAN_SOURCE, SANE_TYPE_STRING,
             SANE_UNIT_NONE, kStringSize, kSelect);
    descriptors[kSourceOption].constraint_type = SANE_CONSTRAINT_STRING_LIST;
    descriptors[kSourceOption].constraint.string_list = g_sources;
    describe(kResolution, SANE_NAME_SCAN_RESOLUTION, SANE_TITLE_SCAN_RESOLUTION, SANE_DESC_SCAN_RESOLUTION,
             SANE_TYPE_INT, SANE_UNIT_DPI, sizeof(SANE_Word), kSelect);
    descriptors[kResolution].constraint_type = SANE_CONSTRAINT_WORD_LIST;
    descriptors[kResolution].constraint.word_list = resolutions;
    // The sheets were made at one resolution; that is the only one the device offers.
    resolutions[0] = 1;
    resolutions[1] = ReadConfig().resolution;
  }

  ScanMode Mode() const {
    if (mode == SANE_VALUE_SCAN_MODE_LINEART) return ScanMode::Lineart;
    return mode == SANE_VALUE_SCAN_MODE_COLOR ? ScanMode::Color : ScanMode::Gray;
  }

  // A new batch ends one that ran out or failed; a batch stopped before that goes on with the next sheet.
  void EndBatchIfOver() {
    if (!batchOver) return;
    listed = false;
    batchOver = false;
    sheets.clear();
    next = 0;
  }

  SANE_Status Start() {
    frame.clear();
    sent = 0;
    inFrame = false;
    if (!listed) {
      sheets = Sheets(ReadConfig().folder);
      next = 0;
      listed = true;
    }
    if (next >= sheets.size()) {
      batchOver = true;
      return SANE_STATUS_NO_DOCS;
    }
    const std::string& path = sheets[next++];
    PnmPage page;
    std::string why;
    if (!ReadPnmFile(path, page, why)) {
      Log(path + ": " + why);
      batchOver = true;
      return SANE_STATUS_IO_ERROR;
    }
    int bytesPerLine = 0;
    frame = Render(page, Mode(), bytesPerLine);
    const ScanMode m = Mode();
    params = SANE_Parameters{m == ScanMode::Color ? SANE_FRAME_RGB : SANE_FRAME_GRAY, SANE_TRUE, bytesPerLine,
                             page.width, page.height, m == ScanMode::Lineart ? 1 : 8};
    inFrame = true;
    return SANE_STATUS_GOOD;
  }

  // Before a sheet is fed: a letter page at the device's resolution, as an estimate.
  SANE_Parameters Estimate() const {
    const ScanMode m = Mode();
    const SANE_Int width = resolutions[1] * 17 / 2, height = resolutions[1] * 11;
    const SANE_Int line = m == ScanMode::Lineart ? (width + 7) / 8 : m == ScanMode::Gray ? width : 3 * width;
    return {m == ScanMode::Color ? SANE_FRAME_RGB : SANE_FRAME_GRAY, SANE_TRUE, line, width, height,
            m == ScanMode::Lineart ? 1 : 8};
  }

  SANE_Option_Descriptor descriptors[kOptions]{};
  SANE_Word resolutions[2]{};
  std::string mode = SANE_VALUE_SCAN_MODE_GRAY;
  std::vector<std::string> sheets;
  std::size_t next = 0;
  bool listed = false;
  bool batchOver = false;
  std::vector<std::uint8_t> frame;
  std::size_t sent = 0;
  bool inFrame = false;  // a sheet was fed and not cancelled: its parameters hold
  SANE_Parameters params{};
};

Feeder* AsFeeder(SANE_Handle handle) { return static_cast<Feeder*>(handle); }

// A string value for a SANE_TYPE_STRING option: the caller's buffer holds size bytes, terminated within.
bool StringValue(const void* value, SANE_Int size, std::string& out) {
  const char* text = static_cast<const char*>(value);
  const std::size_t length = strnlen(text, static_cast<std::size_t>(size));
  if (length >= static_cast<std::size_t>(size)) return false;
  out.assign(text, length);
  return true;
}

}  // namespace

extern "C" {

SANE_Status sane_pyxafeed_init(SANE_Int* version, SANE_Auth_Callback) {
  if (version) *version = SANE_VERSION_CODE(1, 0, 0);
  return SANE_STATUS_GOOD;
}

void sane_pyxafeed_exit() {}

SANE_Status sane_pyxafeed_get_devices(const SANE_Device*** list, SANE_Bool) {
  if (!list) return SANE_STATUS_INVAL;
  *list = g_devices;
  return SANE_STATUS_GOOD;
}

// The dll backend strips "pyxafeed:" from the name; "" is the first (and only) device.
SANE_Status sane_pyxafeed_open(SANE_String_Const name, SANE_Handle* handle) {
  if (!handle || !name || (name[0] != '\0' && std::strcmp(name, g_device.name) != 0)) return SANE_STATUS_INVAL;
  try {
    *handle = new Feeder;  // reads the configuration, whose strings may not fit in memory either
    return SANE_STATUS_GOOD;
  } catch (const std::bad_alloc&) {
    return SANE_STATUS_NO_MEM;
  }
}

void sane_pyxafeed_close(SANE_Handle handle) { delete AsFeeder(handle); }

const SANE_Option_Descriptor* sane_pyxafeed_get_option_descriptor(SANE_Handle handle, SANE_Int option) {
  if (!handle || option < 0 || option >= kOptions) return nullptr;
  return &AsFeeder(handle)->descriptors[option];
}

SANE_Status sane_pyxafeed_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void* value,
                                         SANE_Int* info) {
  Feeder* feeder = AsFeeder(handle);
  if (info) *info = 0;
  if (!feeder || !value || option < 0 || option >= kOptions) return SANE_STATUS_INVAL;
  if (action == SANE_ACTION_GET_VALUE) {
    switch (option) {
      case kCount: *static_cast<SANE_Word*>(value) = kOptions; break;
      case kMode: std::strcpy(static_cast<char*>(value), feeder->mode.c_str()); break;
      case kSourceOption: std::strcpy(static_cast<char*>(value), kSource); break;
      case kResolution: *static_cast<SANE_Word*>(value) = feeder->resolutions[1]; break;
      default: return SANE_STATUS_INVAL;
    }
    return SANE_STATUS_GOOD;
  }
  if (action != SANE_ACTION_SET_VALUE) return SANE_STATUS_INVAL;
  std::string text;
  switch (option) {
    case kMode:
      if (!StringValue(value, kStringSize, text)) return SANE_STATUS_INVAL;
      for (const SANE_String_Const* m = g_modes; *m; ++m) {
        if (text != *m) continue;
        feeder->mode = text;
        if (info) *info = SANE_INFO_RELOAD_PARAMS;
        return SANE_STATUS_GOOD;
      }
      return SANE_STATUS_INVAL;
    case kSourceOption:
      return StringValue(value, kStringSize, text) && text == kSource ? SANE_STATUS_GOOD : SANE_STATUS_INVAL;
    case kResolution:
      return *static_cast<SANE_Word*>(value) == feeder->resolutions[1] ? SANE_STATUS_GOOD : SANE_STATUS_INVAL;
    default:
      return SANE_STATUS_INVAL;  // the option count is read-only
  }
}

SANE_Status sane_pyxafeed_get_parameters(SANE_Handle handle, SANE_Parameters* params) {
  const Feeder* feeder = AsFeeder(handle);
  if (!feeder || !params) return SANE_STATUS_INVAL;
  *params = feeder->inFrame ? feeder->params : feeder->Estimate();
  return SANE_STATUS_GOOD;
}

SANE_Status sane_pyxafeed_start(SANE_Handle handle) {
  Feeder* feeder = AsFeeder(handle);
  if (!feeder) return SANE_STATUS_INVAL;
  try {
    return feeder->Start();
  } catch (const std::bad_alloc&) {
    feeder->frame.clear();
    feeder->batchOver = true;
    Log("not enough memory for the sheet");
    return SANE_STATUS_NO_MEM;
  }
}

SANE_Status sane_pyxafeed_read(SANE_Handle handle, SANE_Byte* data, SANE_Int max, SANE_Int* length) {
  Feeder* feeder = AsFeeder(handle);
  if (length) *length = 0;
  if (!feeder || !data || !length || max < 0) return SANE_STATUS_INVAL;
  if (!feeder->inFrame) return SANE_STATUS_CANCELLED;  // no sheet fed, or it was cancelled
  const std::size_t left = feeder->frame.size() - feeder->sent;
  if (left == 0) return SANE_STATUS_EOF;
  const std::size_t n = std::min(left, static_cast<std::size_t>(max));
  std::memcpy(data, feeder->frame.data() + feeder->sent, n);
  feeder->sent += n;
  *length = static_cast<SANE_Int>(n);
  return SANE_STATUS_GOOD;
}

void sane_pyxafeed_cancel(SANE_Handle handle) {
  Feeder* feeder = AsFeeder(handle);
  if (!feeder) return;
  feeder->inFrame = false;
  std::vector<std::uint8_t>().swap(feeder->frame);
  feeder->sent = 0;
  feeder->EndBatchIfOver();
}

SANE_Status sane_pyxafeed_set_io_mode(SANE_Handle handle, SANE_Bool nonBlocking) {
  if (!handle) return SANE_STATUS_INVAL;
  return nonBlocking ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
}

SANE_Status sane_pyxafeed_get_select_fd(SANE_Handle, SANE_Int*) { return SANE_STATUS_UNSUPPORTED; }

}  // extern "C"
