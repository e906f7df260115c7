#include "link/FtdiApi.h"

#include <dlfcn.h>

// Only for the layout of the context, to reach the field older releases have no setter for.
#if __has_include(<libftdi1/ftdi.h>)
#include <libftdi1/ftdi.h>
#define QV_FTDI_CONTEXT_LAYOUT 1
#endif

namespace qv {
namespace {

// The leading fields of the library's context, stable across its 1.x releases; the
// time-outs have no setter function.
struct FtdiContextHead {
  void* usbContext;
  void* usbDevice;
  int usbReadTimeout;
  int usbWriteTimeout;
};

void SetContextTimeouts(FtdiContext* ctx, int readMs, int writeMs) {
  auto* head = reinterpret_cast<FtdiContextHead*>(ctx);
  head->usbReadTimeout = readMs;
  head->usbWriteTimeout = writeMs;
}

// An entry of the library's device list: public and the same in every 1.x release.
struct FtdiListEntry {
  FtdiListEntry* next;
  void* usbDevice;
};

FtdiDeviceList* NextListEntry(FtdiDeviceList* entry) {
  return reinterpret_cast<FtdiDeviceList*>(reinterpret_cast<FtdiListEntry*>(entry)->next);
}

using GetStringsFn = int (*)(FtdiContext*, void* usbDevice, char*, int, char*, int, char*, int);
GetStringsFn libraryGetStrings = nullptr;

int GetEntryStrings(FtdiContext* ctx, FtdiDeviceList* entry, char* manufacturer,
                    int manufacturerSize, char* description, int descriptionSize, char* serial,
                    int serialSize) {
  return libraryGetStrings(ctx, reinterpret_cast<FtdiListEntry*>(entry)->usbDevice, manufacturer,
                           manufacturerSize, description, descriptionSize, serial, serialSize);
}

using SetDetachModeFn = int (*)(FtdiContext*, int mode);
SetDetachModeFn librarySetDetachMode = nullptr;

void CallSetDetachMode(FtdiContext* ctx, int mode) {
  librarySetDetachMode(ctx, mode);
}

#ifdef QV_FTDI_CONTEXT_LAYOUT
// Releases up to 1.5 keep the mode as a plain field of the context.
void SetDetachModeField(FtdiContext* ctx, int mode) {
  reinterpret_cast<ftdi_context*>(ctx)->module_detach_mode =
      static_cast<ftdi_module_detach_mode>(mode);
}
static_assert(AUTO_DETACH_REATACH_SIO_MODULE == kFtdiDetachAndReattach);
#endif

template <typename F>
bool Bind(void* lib, const char* name, F& target) {
  target = reinterpret_cast<F>(dlsym(lib, name));
  return target != nullptr;
}

FtdiApi LoadLibraryTable() {
  FtdiApi api;
  void* lib = dlopen("libftdi1.so.2", RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) return api;
  bool ok =
      Bind(lib, "ftdi_new", api.New) && Bind(lib, "ftdi_free", api.Free) &&
      Bind(lib, "ftdi_usb_find_all", api.FindAll) && Bind(lib, "ftdi_list_free", api.ListFree) &&
      Bind(lib, "ftdi_usb_open_desc", api.OpenByDescription) &&
      Bind(lib, "ftdi_usb_close", api.Close) && Bind(lib, "ftdi_set_bitmode", api.SetBitMode) &&
      Bind(lib, "ftdi_set_baudrate", api.SetBaudRate) &&
      Bind(lib, "ftdi_set_line_property", api.SetLineProperty) &&
      Bind(lib, "ftdi_setflowctrl", api.SetFlowControl) &&
      Bind(lib, "ftdi_set_latency_timer", api.SetLatencyTimer) &&
      Bind(lib, "ftdi_write_data", api.WriteData) && Bind(lib, "ftdi_read_data", api.ReadData) &&
      Bind(lib, "ftdi_usb_get_strings", libraryGetStrings) &&
      Bind(lib, "ftdi_get_error_string", api.ErrorString);
  // Older releases only have the name that newer ones keep as a deprecated alias.
  ok = ok && (Bind(lib, "ftdi_tciflush", api.PurgeInput) ||
              Bind(lib, "ftdi_usb_purge_rx_buffer", api.PurgeInput));
  if (!ok) {
    dlclose(lib);
    return FtdiApi{};
  }
  // The library stays loaded for the rest of the run, as the link may need it any time.
  api.SetTimeouts = &SetContextTimeouts;
  api.ListNext = &NextListEntry;
  api.GetStrings = &GetEntryStrings;
  if (Bind(lib, "ftdi_set_module_detach_mode", librarySetDetachMode)) {
    api.SetModuleDetachMode = &CallSetDetachMode;
  } else {
#ifdef QV_FTDI_CONTEXT_LAYOUT
    api.SetModuleDetachMode = &SetDetachModeField;
#endif
  }
  api.loaded = true;
  return api;
}

}  // namespace

const FtdiApi& SystemFtdi() {
  static const FtdiApi api = LoadLibraryTable();
  return api;
}

}  // namespace qv
