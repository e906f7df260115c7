#include "link/FtdiApi.h"

#include <dlfcn.h>

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
      Bind(lib, "ftdi_write_data", api.WriteData) && Bind(lib, "ftdi_read_data", api.ReadData);
  // Older releases only have the name that newer ones keep as a deprecated alias.
  ok = ok && (Bind(lib, "ftdi_tciflush", api.PurgeInput) ||
              Bind(lib, "ftdi_usb_purge_rx_buffer", api.PurgeInput));
  if (!ok) {
    dlclose(lib);
    return FtdiApi{};
  }
  // The library stays loaded for the rest of the run, as the link may need it any time.
  api.SetTimeouts = &SetContextTimeouts;
  api.loaded = true;
  return api;
}

}  // namespace

const FtdiApi& SystemFtdi() {
  static const FtdiApi api = LoadLibraryTable();
  return api;
}

}  // namespace qv
