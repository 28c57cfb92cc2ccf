/* The entry points of the two device libraries Tesmira loads at run time: libUSBMeter.so (the
 * USBRH temperature/humidity module) and libsuper4.so (the four-relay USB modules). Plain C so
 * that the simulated lab's stand-ins build from the same declarations the program calls. */
#ifndef TESMIRA_INSTRUMENTS_DEVICE_LIBRARIES_H
#define TESMIRA_INSTRUMENTS_DEVICE_LIBRARIES_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- libUSBMeter.so ---- */

/* Called with the address of an int holding 0. Returns a newly allocated wide string naming the
 * first module found, or one whose first character is 0 when there is none. The caller owns
 * the string and gives it back with FreeUSB. */
typedef wchar_t* (*TesmiraFindUsbFn)(int* index);
/* Reads the module named by `id`: temperature in degrees Celsius and relative humidity in
 * percent. 0 on success, non-zero on failure. */
typedef int (*TesmiraGetTempHumidTrueFn)(const wchar_t* id, double* temperature, double* humidity);
/* Releases a string returned by FindUSB (null is allowed). */
typedef void (*TesmiraFreeUsbFn)(wchar_t* id);

#define TESMIRA_USBMETER_LIBRARY "libUSBMeter.so"

/* ---- libsuper4.so ---- */

/* The module list: 20 entries of 20 bytes. An entry holds a module's serial number; it is
 * zero-terminated only when shorter than 20 bytes, so readers bound every read to the entry. */
#define TESMIRA_RELAY_LIST_ENTRIES 20
#define TESMIRA_RELAY_ENTRY_BYTES 20

/* Called once right after loading; the result means nothing to the caller. */
typedef int (*TesmiraDllVersionFn)(void);
/* Fills `list` (TESMIRA_RELAY_LIST_ENTRIES x TESMIRA_RELAY_ENTRY_BYTES bytes) and returns the
 * number of modules found; 0 or less means none. */
typedef int (*TesmiraListRelaysFn)(char* list);
/* Switches the relays of `mask` (bit 0 = relay 1 .. bit 3 = relay 4) of the module whose serial
 * number is `serial` on (on = 1) or off (on = 0). The result means nothing to the caller. */
typedef int (*TesmiraSetRelaysFn)(const char* serial, unsigned char mask, int on);

#define TESMIRA_SUPER4_LIBRARY "libsuper4.so"

/* Declarations for the libraries themselves (the stand-ins define these). */
wchar_t* FindUSB(int* index);
int GetTempHumidTrue(const wchar_t* id, double* temperature, double* humidity);
void FreeUSB(wchar_t* id);
int dllversion(void);
int ListRelays(char* list);
int SetRelays(const char* serial, unsigned char mask, int on);

#ifdef __cplusplus
}
#endif

#endif
