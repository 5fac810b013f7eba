#include "platform/system_motion.h"

#include <SDL3/SDL.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/socket.h>
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
  void* (*connection_open_private)(const char*, DBusError*);
  void (*set_exit_on_disconnect)(void*, unsigned);
  unsigned (*get_socket)(void*, int*);
  void (*connection_close)(void*);
  void (*connection_unref)(void*);
  void* (*new_method_call)(const char*, const char*, const char*, const char*);
  void (*set_auto_start)(void*, unsigned);
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
    get(connection_open_private, "dbus_connection_open_private");
    get(set_exit_on_disconnect, "dbus_connection_set_exit_on_disconnect");
    get(get_socket, "dbus_connection_get_socket");
    get(connection_close, "dbus_connection_close");
    get(connection_unref, "dbus_connection_unref");
    get(new_method_call, "dbus_message_new_method_call");
    get(set_auto_start, "dbus_message_set_auto_start");
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

const int TYPE_STRING = 's', TYPE_VARIANT = 'v', TYPE_UINT32 = 'u', TYPE_BOOLEAN = 'b', TYPE_INVALID = 0;
// The whole reading, connection included, takes at most READ_LIMIT_MS and REAP_MS together
// (the second for a thread given up on to end once its socket is shut); a bus or a portal
// that is slower to answer leaves the window its full motion rather than a late start.
const Uint64 READ_LIMIT_MS = 220;
const int REAP_MS = 30;

// Sends `call` (released here) and waits for its reply until `until` (SDL_GetTicks); null
// when there is none by then.
void* call_until(Bus& bus, void* conn, void* call, Uint64 until) {
  Uint64 now = SDL_GetTicks();
  void* reply = nullptr;
  if (now < until) {
    DBusError err;
    bus.error_init(&err);
    reply = bus.send_and_block(conn, call, (int)(until - now), &err);
    bus.error_free(&err);
  }
  bus.message_unref(call);
  return reply;
}

// Settings.Read(namespace, key): the value inside however many variants wrap it. The
// portal is not started for it: one that is not running has no wish to tell.
bool read_setting(Bus& bus, void* conn, Uint64 until, const char* ns, const char* key, int want,
                  unsigned& out) {
  void* call = bus.new_method_call("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                   "org.freedesktop.portal.Settings", "Read");
  if (!call) return false;
  bus.set_auto_start(call, 0);
  bus.append_args(call, TYPE_STRING, &ns, TYPE_STRING, &key, TYPE_INVALID);
  void* reply = call_until(bus, conn, call, until);
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

// What the reading thread found, shared with the caller, which may have stopped waiting.
struct Wish {
  SDL_Mutex* lock = SDL_CreateMutex();
  SDL_Condition* done_changed = SDL_CreateCondition();
  std::string address;
  Uint64 until = 0;  // SDL_GetTicks by which the reading is over, answered or not
  int socket = -1;   // the connection's socket while the thread uses it
  bool given_up = false;
  bool done = false;
  bool less = false;
  ~Wish() {
    SDL_DestroyCondition(done_changed);
    SDL_DestroyMutex(lock);
  }
};

// Connects to the session bus on a connection of our own and reads the two settings.
bool ask_portal(Wish& w) {
  Bus bus;
  if (!bus.load()) return false;
  DBusError err;
  bus.error_init(&err);
  void* conn = bus.connection_open_private(w.address.c_str(), &err);
  bus.error_free(&err);
  bool less = false;
  if (conn) {
    bus.set_exit_on_disconnect(conn, 0);
    // libdbus waits for the bus's handshake without a limit: the socket is shown to the
    // caller, which shuts it down when it gives up, and the wait ends with the connection.
    int fd = -1;
    SDL_LockMutex(w.lock);
    if (!w.given_up && bus.get_socket(conn, &fd)) w.socket = fd;
    SDL_UnlockMutex(w.lock);
    // The bus takes no other call before Hello.
    void* hello = w.socket >= 0 ? bus.new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "Hello")
                                : nullptr;
    void* welcome = hello ? call_until(bus, conn, hello, w.until) : nullptr;
    if (welcome) {
      bus.message_unref(welcome);
      unsigned reduced = 0, animations = 1;
      bool have_reduced = read_setting(bus, conn, w.until, "org.freedesktop.appearance", "reduced-motion",
                                       TYPE_UINT32, reduced);
      bool have_animations = read_setting(bus, conn, w.until, "org.gnome.desktop.interface",
                                          "enable-animations", TYPE_BOOLEAN, animations);
      less = portal_asks_less_motion(have_reduced, reduced, have_animations, animations != 0);
    }
    SDL_LockMutex(w.lock);
    w.socket = -1;
    SDL_UnlockMutex(w.lock);
    bus.connection_close(conn);
    bus.connection_unref(conn);
  }
  dlclose(bus.lib);
  return less;
}

int SDLCALL read_wish(void* data) {
  // The thread holds a share of the wish, so it may outlive a caller that gave up on it.
  std::shared_ptr<Wish>* mine = (std::shared_ptr<Wish>*)data;
  Wish& w = **mine;
  bool less = ask_portal(w);
  SDL_LockMutex(w.lock);
  w.less = less;
  w.done = true;
  SDL_BroadcastCondition(w.done_changed);
  SDL_UnlockMutex(w.lock);
  delete mine;
  return 0;
}
}  // namespace

bool system_wants_less_motion() {
  // Only a session bus that is there: asking for one that is not would start one.
  const char* address = getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  std::string socket = runtime ? std::string(runtime) + "/bus" : "";
  SDL_PathInfo info;
  auto w = std::make_shared<Wish>();
  if (address && *address && strncmp(address, "autolaunch:", 11) != 0)
    w->address = address;
  else if (runtime && SDL_GetPathInfo(socket.c_str(), &info))
    w->address = "unix:path=" + socket;
  if (w->address.empty() || !w->lock || !w->done_changed) return false;
  // A connect, the handshake or a call may each hang on a bus that does not answer, and
  // libdbus bounds only the wait for a call's reply: the reading runs on a thread of its
  // own, which is given up on (its connection shut) when it takes too long.
  w->until = SDL_GetTicks() + READ_LIMIT_MS;
  auto* share = new std::shared_ptr<Wish>(w);
  SDL_Thread* thread = SDL_CreateThread(read_wish, "motion wish", share);
  if (!thread) {
    delete share;
    return false;
  }
  SDL_LockMutex(w->lock);
  for (Uint64 now; !w->done && (now = SDL_GetTicks()) < w->until;)
    SDL_WaitConditionTimeout(w->done_changed, w->lock, (Sint32)(w->until - now));
  bool less = w->done && w->less;
  w->given_up = !w->done;
  if (w->given_up && w->socket >= 0) shutdown(w->socket, SHUT_RDWR);
  SDL_UnlockMutex(w->lock);
  // A thread that has ended is joined: SDL 3.2 loses the record of a thread detached after
  // it has ended. One given up on ends at once with its socket shut, so it is given a
  // moment for that; one still held elsewhere is left to end by itself.
  for (int i = 0; w->given_up && i < REAP_MS && SDL_GetThreadState(thread) != SDL_THREAD_COMPLETE; i++)
    SDL_Delay(1);
  if (SDL_GetThreadState(thread) == SDL_THREAD_COMPLETE || !w->given_up)
    SDL_WaitThread(thread, nullptr);
  else
    SDL_DetachThread(thread);
  return less;
}
#endif
