// A SANE backend for tests with devices that misbehave in ways SANE's own test backend cannot:
// "pyxa:stuck" fails its page and then never gives itself back (sane_cancel blocks for ever, as a
// backend whose reader thread deadlocks while it is cancelled does); "pyxa:warming" answers "warming
// up" to its first two opens in a process, then scans one 8 x 8 grey page.
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <unistd.h>

#include <cstring>

extern "C" {

namespace {
constexpr SANE_Status kWarmingUp = static_cast<SANE_Status>(12);  // disabled in SANE 1.2's header

SANE_Device g_stuck{"stuck", "Pyxa tests", "stuck device", "virtual device"};
SANE_Device g_warming{"warming", "Pyxa tests", "warming device", "virtual device"};
const SANE_Device* g_devices[] = {&g_stuck, &g_warming, nullptr};
SANE_Option_Descriptor g_count{SANE_NAME_NUM_OPTIONS, SANE_TITLE_NUM_OPTIONS, SANE_DESC_NUM_OPTIONS,
                               SANE_TYPE_INT, SANE_UNIT_NONE, sizeof(SANE_Word), SANE_CAP_SOFT_DETECT,
                               SANE_CONSTRAINT_NONE, {nullptr}};
int g_stuckHandle = 0;
int g_warmingHandle = 0;
int g_warmingOpens = 0;
int g_bytesLeft = 0;
}  // namespace

SANE_Status sane_pyxa_init(SANE_Int* version, SANE_Auth_Callback) {
  if (version) *version = SANE_VERSION_CODE(1, 0, 0);
  return SANE_STATUS_GOOD;
}
void sane_pyxa_exit() {}
SANE_Status sane_pyxa_get_devices(const SANE_Device*** list, SANE_Bool) {
  *list = g_devices;
  return SANE_STATUS_GOOD;
}
// The dll backend strips "pyxa:" from the name.
SANE_Status sane_pyxa_open(SANE_String_Const name, SANE_Handle* handle) {
  if (name[0] == '\0' || std::strcmp(name, "stuck") == 0) {
    *handle = &g_stuckHandle;
    return SANE_STATUS_GOOD;
  }
  if (std::strcmp(name, "warming") != 0) return SANE_STATUS_INVAL;
  if (++g_warmingOpens <= 2) return kWarmingUp;
  *handle = &g_warmingHandle;
  return SANE_STATUS_GOOD;
}
void sane_pyxa_close(SANE_Handle) {}
const SANE_Option_Descriptor* sane_pyxa_get_option_descriptor(SANE_Handle, SANE_Int option) {
  return option == 0 ? &g_count : nullptr;
}
SANE_Status sane_pyxa_control_option(SANE_Handle, SANE_Int option, SANE_Action action, void* value, SANE_Int*) {
  if (option != 0 || action != SANE_ACTION_GET_VALUE) return SANE_STATUS_INVAL;
  *static_cast<SANE_Word*>(value) = 1;
  return SANE_STATUS_GOOD;
}
SANE_Status sane_pyxa_get_parameters(SANE_Handle, SANE_Parameters* p) {
  *p = SANE_Parameters{SANE_FRAME_GRAY, SANE_TRUE, 8, 8, 8, 8};
  return SANE_STATUS_GOOD;
}
SANE_Status sane_pyxa_start(SANE_Handle) {
  g_bytesLeft = 64;
  return SANE_STATUS_GOOD;
}
SANE_Status sane_pyxa_read(SANE_Handle handle, SANE_Byte* data, SANE_Int max, SANE_Int* got) {
  *got = 0;
  if (handle == &g_stuckHandle) return SANE_STATUS_JAMMED;
  if (g_bytesLeft == 0) return SANE_STATUS_EOF;
  *got = max < g_bytesLeft ? max : g_bytesLeft;
  std::memset(data, 0x80, static_cast<std::size_t>(*got));
  g_bytesLeft -= *got;
  return SANE_STATUS_GOOD;
}
void sane_pyxa_cancel(SANE_Handle handle) {
  if (handle != &g_stuckHandle) return;
  for (;;) pause();
}
SANE_Status sane_pyxa_set_io_mode(SANE_Handle, SANE_Bool) { return SANE_STATUS_UNSUPPORTED; }
SANE_Status sane_pyxa_get_select_fd(SANE_Handle, SANE_Int*) { return SANE_STATUS_UNSUPPORTED; }

}  // extern "C"
