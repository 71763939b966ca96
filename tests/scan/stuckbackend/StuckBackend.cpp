// A SANE backend for tests whose device fails its page and then never gives itself back: sane_cancel
// blocks for ever, as a backend whose reader thread deadlocks while it is cancelled does.
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <unistd.h>

#include <cstring>

extern "C" {

namespace {
SANE_Device g_device{"0", "Pyxa tests", "stuck device", "virtual device"};
const SANE_Device* g_devices[] = {&g_device, nullptr};
SANE_Option_Descriptor g_count{SANE_NAME_NUM_OPTIONS, SANE_TITLE_NUM_OPTIONS, SANE_DESC_NUM_OPTIONS,
                               SANE_TYPE_INT, SANE_UNIT_NONE, sizeof(SANE_Word), SANE_CAP_SOFT_DETECT,
                               SANE_CONSTRAINT_NONE, {nullptr}};
int g_handle = 0;
}  // namespace

SANE_Status sane_stuck_init(SANE_Int* version, SANE_Auth_Callback) {
  if (version) *version = SANE_VERSION_CODE(1, 0, 0);
  return SANE_STATUS_GOOD;
}
void sane_stuck_exit() {}
SANE_Status sane_stuck_get_devices(const SANE_Device*** list, SANE_Bool) {
  *list = g_devices;
  return SANE_STATUS_GOOD;
}
SANE_Status sane_stuck_open(SANE_String_Const name, SANE_Handle* handle) {
  if (name[0] != '\0' && std::strcmp(name, "0") != 0) return SANE_STATUS_INVAL;  // the dll backend strips "stuck:"
  *handle = &g_handle;
  return SANE_STATUS_GOOD;
}
void sane_stuck_close(SANE_Handle) {}
const SANE_Option_Descriptor* sane_stuck_get_option_descriptor(SANE_Handle, SANE_Int option) {
  return option == 0 ? &g_count : nullptr;
}
SANE_Status sane_stuck_control_option(SANE_Handle, SANE_Int option, SANE_Action action, void* value, SANE_Int*) {
  if (option != 0 || action != SANE_ACTION_GET_VALUE) return SANE_STATUS_INVAL;
  *static_cast<SANE_Word*>(value) = 1;
  return SANE_STATUS_GOOD;
}
SANE_Status sane_stuck_get_parameters(SANE_Handle, SANE_Parameters* p) {
  *p = SANE_Parameters{SANE_FRAME_GRAY, SANE_TRUE, 8, 8, 8, 8};
  return SANE_STATUS_GOOD;
}
SANE_Status sane_stuck_start(SANE_Handle) { return SANE_STATUS_GOOD; }
SANE_Status sane_stuck_read(SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int* got) {
  *got = 0;
  return SANE_STATUS_JAMMED;
}
void sane_stuck_cancel(SANE_Handle) {
  for (;;) pause();
}
SANE_Status sane_stuck_set_io_mode(SANE_Handle, SANE_Bool) { return SANE_STATUS_UNSUPPORTED; }
SANE_Status sane_stuck_get_select_fd(SANE_Handle, SANE_Int*) { return SANE_STATUS_UNSUPPORTED; }

}  // extern "C"
