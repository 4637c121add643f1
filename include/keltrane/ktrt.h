/*
 * keltrane/ktrt.h - services of the object run time that Windows keeps in
 * the system and Linux lacks: the class registration store, in-process
 * server support, the host's settings, message boxes and the library folder.
 *
 * Text crossing this interface is UTF-8.  Strings handed out are allocated
 * with CoTaskMemAlloc and freed by the caller with CoTaskMemFree.
 *
 * On Windows the system keeps the class registry, so only the services the
 * library uses itself are declared there (server support, message boxes,
 * module folders), and the library carries its own copy of them over the
 * system's registry, user32 and module functions.  The rest is Linux only.
 */
#ifndef KELTRANE_KTRT_H
#define KELTRANE_KTRT_H

#include "oleauto.h"

KT_BEGIN_C

/* ---- In-process server support -------------------------------------------
 * A class library describes itself once; its four entry points hand that
 * description to the run time, which does the work. */
typedef struct KtClassDesc {
  const CLSID* clsid;
  const char* name;               /* class name, e.g. "clsProfile" */
  const char* progid;             /* e.g. "Keltrane.clsProfile" */
  const IID* iid;                 /* default interface */
  const char* interface_name;     /* e.g. "_clsProfile" */
  const IID* const* earlier_iids; /* earlier ids of the default interface */
  ULONG earlier_count;
  /* Makes a new instance (its creation hook runs) and queries it for riid. */
  HRESULT (*create)(REFIID riid, void** ppv);
} KtClassDesc;

typedef struct KtServerDesc {
  const char* name; /* type library name, e.g. "Keltrane" */
  const GUID* typelib_id;
  WORD version_major;
  WORD version_minor;
  LCID lcid;
  const char* threading_model; /* "Apartment" */
  const KtClassDesc* classes;
  ULONG class_count;
  const void* module_anchor; /* any address inside the server library: locates its file */
  LONG* lock_count;          /* live instances plus factory locks, changed atomically */
} KtServerDesc;

STDAPI KtServerRegister(const KtServerDesc* server);
STDAPI KtServerUnregister(const KtServerDesc* server);
STDAPI KtServerGetClassObject(const KtServerDesc* server, REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI KtServerCanUnloadNow(const KtServerDesc* server);
/* Instances of a server call this with +1 on creation and -1 when freed. */
STDAPI_(void) KtServerLock(const KtServerDesc* server, int delta);

/* ---- Message boxes -------------------------------------------------------
 * Shows a box and returns the answer; style and answer carry the Windows
 * values (MB_*, ID*).  On Windows the box is the system's MessageBoxW, on
 * Linux the host's handler (below) shows it. */
STDAPI_(int) KtMessageBox(const char* text, const char* title, UINT style);

/* ---- Module folders -------------------------------------------------------
 * The folder of the shared library that holds addr, without a trailing
 * separator; the host setting "module-dir", when set, takes its
 * place. */
STDAPI KtGetModuleDir(const void* addr, char** dir);
/* The full path of the shared library that holds addr. */
STDAPI KtGetModulePath(const void* addr, char** path);

/* ---- Linux only ---------------------------------------------------------- */
#ifndef _WIN32

/* ---- Registration store ------------------------------------------------
 * A persistent tree of keys, each holding named text values, laid out like
 * the Windows class registry (CLSID\{...}\InprocServer32, ProgIDs, Interface,
 * TypeLib).  Key names are compared without regard to case; the value name
 * "" (or NULL) is a key's default value.  The store is one JSON file written
 * atomically under an advisory lock; its path is $KELTRANE_REGISTRY when set,
 * else $XDG_CONFIG_HOME/keltrane/registry.json, else
 * ~/.config/keltrane/registry.json.
 */
STDAPI_(char*) KtRegistryPath(void);
STDAPI KtRegSetValue(const char* key, const char* name, const char* value);
/* S_FALSE and *value NULL when the key or value does not exist. */
STDAPI KtRegQueryValue(const char* key, const char* name, char** value);
/* Removes a key with all its subkeys; S_FALSE when it did not exist. */
STDAPI KtRegDeleteTree(const char* key);

/* ---- In-process class registration --------------------------------------
 * ProgIDs known only to this process (hosts that load a server themselves). */
STDAPI KtRegisterProgID(const char* progid, REFCLSID clsid);

/* ---- Message box values and the host's way of showing a box ------------- */
#define MB_OK 0x0
#define MB_OKCANCEL 0x1
#define MB_YESNO 0x4
#define MB_ICONSTOP 0x10
#define MB_ICONQUESTION 0x20
#define MB_ICONEXCLAMATION 0x30
#define MB_ICONINFORMATION 0x40
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

#endif /* Linux */

/* ---- Host settings ------------------------------------------------------
 * Process-wide text settings that a host hands to the libraries it loads
 * (module-dir, windows-dir, db, log, ...).  NULL removes a setting.  On
 * Windows every library carries its own copy of this support; a host
 * program that exports KtGetHostSetting and KtMessageBox (keltrane.exe
 * does) holds the one table and handler that all of them use. */
STDAPI KtSetHostSetting(const char* name, const char* value);
/* S_FALSE and *value NULL when the setting is not set. */
STDAPI KtGetHostSetting(const char* name, char** value);

typedef int (*KtMessageBoxHandler)(void* context, const char* text, const char* title, UINT style);
/* Installs the host's way of showing a box; NULL restores the default: on
 * Linux the box is printed on stderr and answered OK, or No to a Yes/No
 * question; on Windows it is the system's MessageBoxW. */
STDAPI_(void) KtSetMessageBoxHandler(KtMessageBoxHandler handler, void* context);

/* While CoCreateInstance runs a class factory on this thread: the folder of
 * the library whose code called CoCreateInstance (as KtGetModuleDir gives
 * it), so that a component can find the files of the library that creates
 * it.  S_FALSE with *dir NULL outside such a call, and always on Windows,
 * where the system's CoCreateInstance does not tell. */
STDAPI KtGetCreatorModuleDir(char** dir);

/* ---- Error information ----------------------------------------------------
 * Gives the calling thread new error information (what GetErrorInfo hands
 * the caller): source, description and help file as UTF-8 (NULL: none), the
 * interface id (NULL: none) and the help context.  Returns hr, so that a
 * failing call reads `return KtSetErrorInfo(hr, ...)`. */
STDAPI KtSetErrorInfo(HRESULT hr, const IID* iid, const char* source, const char* description,
                      const char* help_file, DWORD help_context);

/* ---- Member calls -----------------------------------------------------------
 * A server brackets each member call with KtEnterCall and KtLeaveCall.  The
 * layers that check whether a file changed under them (the log, the
 * database, profile files, the registration store) then check once per
 * call rather than once per use: KtCallNumber is 0 outside any call on this
 * thread, else a number that no other call, on any thread, shares.  A change
 * made by another process is so seen from the next call on. */
STDAPI_(void) KtEnterCall(void);
STDAPI_(void) KtLeaveCall(void);
STDAPI_(ULONG) KtCallNumber(void);

KT_END_C

#ifdef __cplusplus
#include <string>

namespace kt {
/* A host setting's text; "" when it is not set (or memory ran out). */
inline std::string HostSetting(const char* name) {
  char* value = nullptr;
  std::string out;
  if (KtGetHostSetting(name, &value) == S_OK && value != nullptr) out = value;
  CoTaskMemFree(value);
  return out;
}

/* Whether a check is due: always outside a member call, once inside one. */
class OncePerCall {
 public:
  bool Due() {
    const ULONG call = KtCallNumber();
    if (call != 0 && call == last_) return false;
    last_ = call;
    return true;
  }
  void Reset() { last_ = 0; }

 private:
  ULONG last_ = 0;
};
}  // namespace kt
#endif

#endif /* KELTRANE_KTRT_H */
