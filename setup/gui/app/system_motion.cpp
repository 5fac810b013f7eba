#include "app/system_motion.h"

#include <SDL3/SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

bool portal_asks_less_motion(bool have_reduced, unsigned reduced, bool have_animations, bool animations) {
  return (have_reduced && reduced == 1) || (have_animations && !animations);
}

bool remote_from_environment(const std::function<const char*(const char*)>& env) {
  if (env("XRDP_SESSION")) return true;
  const char* display = env("DISPLAY");
  bool forwarded = display && display[0] && display[0] != ':' && strchr(display, ':') && display[0] != '/';
  return forwarded && (env("SSH_CONNECTION") || env("SSH_CLIENT"));
}

#ifdef _WIN32
bool system_wants_less_motion() {
  BOOL animations = TRUE;
  return SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0) && !animations;
}

bool remote_session() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }
#else
bool remote_session() {
  return remote_from_environment([](const char* name) { return getenv(name); });
}

// The few calls of libdbus that reading one setting takes, loaded when wanted: a system
// without it simply has no wish to read.
namespace {
struct DBusError {
  const char* name;
  const char* message;
  unsigned dummy1 : 1, dummy2 : 1, dummy3 : 1, dummy4 : 1, dummy5 : 1;
  void* padding1;
};
struct DBusMessageIter {
  void *d1, *d2;
  unsigned d3;
  int d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14;
  void* pad1;
  void* pad2;  // as large as libdbus's own, which it fills in place
};
struct Bus {
  void* lib = nullptr;
  void (*error_init)(DBusError*);
  void (*error_free)(DBusError*);
  void* (*bus_get_private)(int, DBusError*);
  void (*set_exit_on_disconnect)(void*, unsigned);
  void (*connection_close)(void*);
  void (*connection_unref)(void*);
  void* (*new_method_call)(const char*, const char*, const char*, const char*);
  unsigned (*append_args)(void*, int, ...);
  void* (*send_and_block)(void*, void*, int, DBusError*);
  void (*message_unref)(void*);
  unsigned (*iter_init)(void*, DBusMessageIter*);
  int (*iter_get_arg_type)(DBusMessageIter*);
  void (*iter_recurse)(DBusMessageIter*, DBusMessageIter*);
  void (*iter_get_basic)(DBusMessageIter*, void*);

  bool load() {
    lib = dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    bool ok = true;
    auto get = [&](auto& fn, const char* name) {
      fn = (std::remove_reference_t<decltype(fn)>)dlsym(lib, name);
      ok &= fn != nullptr;
    };
    get(error_init, "dbus_error_init");
    get(error_free, "dbus_error_free");
    get(bus_get_private, "dbus_bus_get_private");
    get(set_exit_on_disconnect, "dbus_connection_set_exit_on_disconnect");
    get(connection_close, "dbus_connection_close");
    get(connection_unref, "dbus_connection_unref");
    get(new_method_call, "dbus_message_new_method_call");
    get(append_args, "dbus_message_append_args");
    get(send_and_block, "dbus_connection_send_with_reply_and_block");
    get(message_unref, "dbus_message_unref");
    get(iter_init, "dbus_message_iter_init");
    get(iter_get_arg_type, "dbus_message_iter_get_arg_type");
    get(iter_recurse, "dbus_message_iter_recurse");
    get(iter_get_basic, "dbus_message_iter_get_basic");
    return ok;
  }
};

const int BUS_SESSION = 0;
const int TYPE_STRING = 's', TYPE_VARIANT = 'v', TYPE_UINT32 = 'u', TYPE_BOOLEAN = 'b', TYPE_INVALID = 0;
const int READ_TIMEOUT_MS = 250;

// Settings.Read(namespace, key): the value inside however many variants wrap it.
bool read_setting(Bus& bus, void* conn, const char* ns, const char* key, int want, unsigned& out) {
  void* call = bus.new_method_call("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                   "org.freedesktop.portal.Settings", "Read");
  if (!call) return false;
  bus.append_args(call, TYPE_STRING, &ns, TYPE_STRING, &key, TYPE_INVALID);
  DBusError err;
  bus.error_init(&err);
  void* reply = bus.send_and_block(conn, call, READ_TIMEOUT_MS, &err);
  bus.message_unref(call);
  bus.error_free(&err);
  if (!reply) return false;
  DBusMessageIter it, inner;
  bool found = false;
  if (bus.iter_init(reply, &it)) {
    for (int depth = 0; depth < 4 && bus.iter_get_arg_type(&it) == TYPE_VARIANT; depth++) {
      bus.iter_recurse(&it, &inner);
      it = inner;
    }
    if (bus.iter_get_arg_type(&it) == want) {
      unsigned value = 0;  // a D-Bus boolean is 32 bits wide, as a uint32 is
      bus.iter_get_basic(&it, &value);
      out = value;
      found = true;
    }
  }
  bus.message_unref(reply);
  return found;
}
}  // namespace

bool system_wants_less_motion() {
  // Only a session bus that is there: asking for one that is not would start one.
  const char* address = getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  std::string socket = runtime ? std::string(runtime) + "/bus" : "";
  SDL_PathInfo info;
  if (!(address && *address) && !(runtime && SDL_GetPathInfo(socket.c_str(), &info))) return false;
  Bus bus;
  if (!bus.load()) return false;
  DBusError err;
  bus.error_init(&err);
  void* conn = bus.bus_get_private(BUS_SESSION, &err);
  bus.error_free(&err);
  bool less = false;
  if (conn) {
    bus.set_exit_on_disconnect(conn, 0);
    unsigned reduced = 0, animations = 1;
    bool have_reduced =
        read_setting(bus, conn, "org.freedesktop.appearance", "reduced-motion", TYPE_UINT32, reduced);
    bool have_animations =
        read_setting(bus, conn, "org.gnome.desktop.interface", "enable-animations", TYPE_BOOLEAN, animations);
    less = portal_asks_less_motion(have_reduced, reduced, have_animations, animations != 0);
    bus.connection_close(conn);
    bus.connection_unref(conn);
  }
  dlclose(bus.lib);
  return less;
}
#endif
