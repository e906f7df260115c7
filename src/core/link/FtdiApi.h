// The few functions of the USB bridge library (libftdi1) that the link uses, as a table of
// function pointers. The real table is filled at run time from "libftdi1.so.2"; tests put a
// table of fakes in its place. The library is never linked: a machine without it still runs,
// it just has no USB bridge.
#pragma once

namespace qv {

// Opaque handles of the library; their layout is the library's business.
struct FtdiContext;
struct FtdiDeviceList;

struct FtdiApi {
  bool loaded = false;  // false: no library, every pointer below is null

  FtdiContext* (*New)() = nullptr;
  void (*Free)(FtdiContext*) = nullptr;
  // Number of bridges with the library's default ids (vendor 0, product 0), < 0 on error.
  int (*FindAll)(FtdiContext*, FtdiDeviceList**, int vendor, int product) = nullptr;
  void (*ListFree)(FtdiDeviceList**) = nullptr;
  // 0 opened; -3 no device with these ids and this description; other negatives: failed.
  int (*OpenByDescription)(FtdiContext*, int vendor, int product, const char* description,
                           const char* serial) = nullptr;
  int (*Close)(FtdiContext*) = nullptr;
  int (*SetBitMode)(FtdiContext*, unsigned char mask, unsigned char mode) = nullptr;
  int (*SetBaudRate)(FtdiContext*, int baud) = nullptr;
  // bits 8, stop bits 0 (one), parity 0 (none)
  int (*SetLineProperty)(FtdiContext*, int bits, int stopBits, int parity) = nullptr;
  int (*SetFlowControl)(FtdiContext*, int flow) = nullptr;
  int (*SetLatencyTimer)(FtdiContext*, unsigned char ms) = nullptr;
  // Sets the context's USB read and write time-outs in ms (plain fields in the library).
  void (*SetTimeouts)(FtdiContext*, int readMs, int writeMs) = nullptr;
  // Bytes written or < 0.
  int (*WriteData)(FtdiContext*, const unsigned char* buf, int size) = nullptr;
  // Bytes read (0 when the bridge had nothing within its latency) or < 0.
  int (*ReadData)(FtdiContext*, unsigned char* buf, int size) = nullptr;
  // Discards the bridge's receive buffers.
  int (*PurgeInput)(FtdiContext*) = nullptr;
  // The entry after `entry` in a FindAll list, nullptr at its end.
  FtdiDeviceList* (*ListNext)(FtdiDeviceList* entry) = nullptr;
  // The USB texts of a listed bridge without opening it for use; 0 or < 0 (-4: the USB device
  // could not be opened, which is a missing permission as a rule).
  int (*GetStrings)(FtdiContext*, FtdiDeviceList* entry, char* manufacturer, int manufacturerSize,
                    char* description, int descriptionSize, char* serial, int serialSize) = nullptr;
  // The library's text for the last failure on this context.
  const char* (*ErrorString)(FtdiContext*) = nullptr;
  // What happens to the kernel's serial driver when a bridge is opened; set on a new context,
  // before any open. nullptr when this library cannot be told: it then detaches the driver and
  // leaves it detached, so ttyUSB stays away until the bridge is plugged in again.
  void (*SetModuleDetachMode)(FtdiContext*, int mode) = nullptr;
};

// The library's AUTO_DETACH_REATACH_SIO_MODULE: the serial driver is detached while the bridge
// is open and attached again when it is closed, so that ttyUSB comes back.
inline constexpr int kFtdiDetachAndReattach = 2;

// The library's table, loaded once with dlopen("libftdi1.so.2") on first use; a table with
// loaded == false when the library or one of its functions is missing.
const FtdiApi& SystemFtdi();

// An empty table: no library.
inline FtdiApi NoFtdi() {
  return FtdiApi{};
}

}  // namespace qv
