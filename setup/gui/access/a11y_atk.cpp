// Linux: the tree as ATK objects, which the AT-SPI bridge puts on the accessibility bus
// for Orca and other screen readers. Everything runs on the main thread: the bridge lives on
// GLib's default main context, which a11y_platform_poll iterates every turn of the loop.
// Nothing is built until the desktop says its accessibility is on (org.a11y.Status on the
// session bus), and every question to the bus is asked without waiting for the answer.
#ifndef _WIN32
#include "access/a11y.h"
#include "text/language.h"

#include <SDL3/SDL.h>
#include <atk-bridge.h>
#include <atk/atk.h>
#include <gio/gio.h>

#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

// GObject's type macros cast between function types by design.
#pragma GCC diagnostic ignored "-Wcast-function-type"

namespace {

// NOTE: the window's notification, which shows with each outcome or error: the one
// means by which Orca 43 hears what nothing moves the focus to.
enum Kind { APP, FRAME, NODE, PLACEHOLDER, NOTE };

struct TwNode {
  AtkObject parent;
  uint32_t id;
  int kind;
  int index;  // a placeholder row's place in its list
  bool gone;  // told as defunct: never answers for a node again, even one with its id
};
struct TwNodeClass {
  AtkObjectClass parent_class;
};
struct TwProgress {
  TwNode parent;
};
struct TwProgressClass {
  TwNodeClass parent_class;
};
struct TwText {
  TwNode parent;
};
struct TwTextClass {
  TwNodeClass parent_class;
};
struct TwFrame {
  TwNode parent;
};
struct TwFrameClass {
  TwNodeClass parent_class;
};

SDL_Window* g_window = nullptr;
AtkObject* g_app = nullptr;
AtkObject* g_frame = nullptr;
AtkObject* g_note = nullptr;
std::string g_note_text;
bool g_active = false;  // the window has the desktop's keyboard focus
// When the window's activation and focus are told again after the bridge came up: the
// bridge drops events until it has learnt from the registry who listens, so the first
// ones would reach nobody.
Uint64 g_settle_at = 0;
bool g_bridge = false;
GDBusConnection* g_session = nullptr;
GCancellable* g_cancel = nullptr;
guint g_watch = 0, g_signal = 0;

// The tree that the objects answer from: the new one while its changes are told.
const A11yTree* g_tree = nullptr;
std::unordered_map<uint32_t, size_t> g_at;                   // node id -> place in g_tree->nodes
std::unordered_map<uint32_t, int> g_position;                // node id -> place among its siblings
std::vector<uint32_t> g_top;                                 // the window's children
std::unordered_map<uint32_t, std::vector<uint32_t>> g_rows;  // node id -> its children in the tree
std::unordered_map<uint32_t, AtkObject*> g_objects;          // node id -> its object

const A11yTree& tree() { return g_tree ? *g_tree : a11y_tree(); }

TwNode* tw(AtkObject* o) { return reinterpret_cast<TwNode*>(o); }

const A11yNode* node_of(AtkObject* o) {
  TwNode* n = tw(o);
  if (n->kind != NODE || n->gone) return nullptr;
  auto it = g_at.find(n->id);
  return it == g_at.end() ? nullptr : &tree().nodes[it->second];
}

AtkRole atk_role(A11yRole role) {
  switch (role) {
    case A11yRole::WINDOW: return ATK_ROLE_FRAME;
    case A11yRole::HEADING: return ATK_ROLE_HEADING;
    case A11yRole::LABEL: return ATK_ROLE_LABEL;
    case A11yRole::BUTTON: return ATK_ROLE_PUSH_BUTTON;
    case A11yRole::LINK: return ATK_ROLE_LINK;
    case A11yRole::CHECK_BOX: return ATK_ROLE_CHECK_BOX;
    case A11yRole::RADIO: return ATK_ROLE_RADIO_BUTTON;
    case A11yRole::PROGRESS: return ATK_ROLE_PROGRESS_BAR;
    case A11yRole::LIST: return ATK_ROLE_LIST_BOX;
    case A11yRole::LIST_ITEM: return ATK_ROLE_LIST_ITEM;
    case A11yRole::TEXT: return ATK_ROLE_TEXT;
    case A11yRole::PANEL: return ATK_ROLE_PANEL;
  }
  return ATK_ROLE_UNKNOWN;
}

bool pressable(A11yRole role) {
  return role == A11yRole::BUTTON || role == A11yRole::LINK || role == A11yRole::CHECK_BOX ||
         role == A11yRole::RADIO || role == A11yRole::LIST_ITEM;
}

AtkObject* object_of(uint32_t id);
AtkObject* placeholder(AtkObject* list, int index);

// ---- AtkObject

const gchar* tw_get_name(AtkObject* o) {
  TwNode* n = tw(o);
  if (n->kind == APP || n->kind == FRAME) return tr("Tarnwell Setup");
  if (n->kind == NOTE) return g_note_text.c_str();
  const A11yNode* node = node_of(o);
  return node ? node->name.c_str() : "";
}

const gchar* tw_get_description(AtkObject* o) {
  const A11yNode* node = node_of(o);
  return node ? node->description.c_str() : "";
}

AtkRole tw_get_role(AtkObject* o) {
  switch (tw(o)->kind) {
    case APP: return ATK_ROLE_APPLICATION;
    case FRAME: return ATK_ROLE_FRAME;
    case PLACEHOLDER: return ATK_ROLE_LIST_ITEM;
    case NOTE: return ATK_ROLE_NOTIFICATION;
  }
  const A11yNode* node = node_of(o);
  return node ? atk_role(node->role) : ATK_ROLE_UNKNOWN;
}

gint tw_get_n_children(AtkObject* o) {
  switch (tw(o)->kind) {
    case APP: return g_frame ? 1 : 0;
    case FRAME: return (gint)g_top.size() + 1;  // the notification first
    case PLACEHOLDER:
    case NOTE: return 0;
  }
  const A11yNode* node = node_of(o);
  if (!node) return 0;
  if (node->role == A11yRole::LIST) return node->count;
  auto it = g_rows.find(node->id);
  return it == g_rows.end() ? 0 : (gint)it->second.size();
}

AtkObject* tw_ref_child(AtkObject* o, gint i) {
  AtkObject* child = nullptr;
  TwNode* n = tw(o);
  if (n->kind == APP && i == 0) {
    child = g_frame;
  } else if (n->kind == FRAME) {
    if (i == 0) child = g_note;
    if (i > 0 && i <= (gint)g_top.size()) child = object_of(g_top[i - 1]);
  } else if (const A11yNode* node = node_of(o)) {
    if (node->role != A11yRole::LIST) {
      auto it = g_rows.find(node->id);
      if (it != g_rows.end() && i >= 0 && i < (gint)it->second.size()) child = object_of(it->second[i]);
      return child ? (AtkObject*)g_object_ref(child) : nullptr;
    }
    if (i < 0 || i >= node->count) return nullptr;
    // Only the rows in sight are in the tree; any other is an empty row made on request.
    auto rows = g_rows.find(node->id);
    if (rows != g_rows.end())
      for (uint32_t id : rows->second)
        if (tree().nodes[g_at[id]].index == i) child = object_of(id);
    if (!child) return placeholder(o, i);
  }
  return child ? (AtkObject*)g_object_ref(child) : nullptr;
}

gint tw_get_index_in_parent(AtkObject* o) {
  TwNode* n = tw(o);
  if (n->kind == APP) return -1;
  if (n->kind == FRAME || n->kind == NOTE) return 0;
  if (n->kind == PLACEHOLDER) return n->index;
  if (n->gone) return -1;
  auto it = g_position.find(n->id);
  return it == g_position.end() ? -1 : it->second;
}

AtkStateSet* tw_ref_state_set(AtkObject* o) {
  AtkStateSet* set = atk_state_set_new();
  TwNode* n = tw(o);
  if (n->kind == APP) return set;
  if (n->kind == NOTE) {
    if (!g_note_text.empty()) {
      atk_state_set_add_state(set, ATK_STATE_VISIBLE);
      atk_state_set_add_state(set, ATK_STATE_SHOWING);
    }
    return set;
  }
  atk_state_set_add_state(set, ATK_STATE_VISIBLE);
  atk_state_set_add_state(set, ATK_STATE_ENABLED);
  atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
  if (n->kind == FRAME) {
    atk_state_set_add_state(set, ATK_STATE_SHOWING);
    if (g_active) atk_state_set_add_state(set, ATK_STATE_ACTIVE);
    atk_state_set_add_state(set, ATK_STATE_RESIZABLE);
    return set;
  }
  const A11yNode* node = node_of(o);
  if (!node) {
    if (n->kind == PLACEHOLDER)
      atk_state_set_add_state(set, ATK_STATE_SELECTABLE);
    else
      atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  atk_state_set_add_state(set, ATK_STATE_SHOWING);
  const uint32_t s = node->states;
  if (s & A11Y_DISABLED) {
    atk_state_set_remove_state(set, ATK_STATE_ENABLED);
    atk_state_set_remove_state(set, ATK_STATE_SENSITIVE);
  }
  if (s & A11Y_FOCUSABLE) atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
  if (s & A11Y_FOCUSED) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  if (node->role == A11yRole::CHECK_BOX) atk_state_set_add_state(set, ATK_STATE_CHECKABLE);
  if (s & A11Y_CHECKED) atk_state_set_add_state(set, ATK_STATE_CHECKED);
  if (node->role == A11yRole::LIST_ITEM) atk_state_set_add_state(set, ATK_STATE_SELECTABLE);
  // Only the rows in sight and the selected one are objects; the rest are made on request.
  if (node->role == A11yRole::LIST) atk_state_set_add_state(set, ATK_STATE_MANAGES_DESCENDANTS);
  if (s & A11Y_SELECTED) atk_state_set_add_state(set, ATK_STATE_SELECTED);
  if (node->role == A11yRole::TEXT) {
    atk_state_set_add_state(set, ATK_STATE_READ_ONLY);
    atk_state_set_add_state(set, ATK_STATE_MULTI_LINE);
  }
  return set;
}

AtkAttributeSet* tw_get_attributes(AtkObject* o) {
  const A11yNode* node = node_of(o);
  if (!node || node->role != A11yRole::HEADING) return nullptr;
  auto* level = (AtkAttribute*)g_malloc(sizeof(AtkAttribute));
  level->name = g_strdup("level");
  level->value = g_strdup_printf("%d", node->level ? node->level : 2);
  return g_slist_append(nullptr, level);
}

// ---- AtkComponent

void tw_get_extents(AtkComponent* c, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
  AtkObject* o = ATK_OBJECT(c);
  int wx = 0, wy = 0, ww = 0, wh = 0;
  if (g_window) {
    SDL_GetWindowPosition(g_window, &wx, &wy);
    SDL_GetWindowSize(g_window, &ww, &wh);
  }
  A11yRect r{0, 0, 0, 0};
  if (tw(o)->kind == FRAME || tw(o)->kind == APP) {
    r = {0, 0, (float)ww, (float)wh};
  } else if (const A11yNode* node = node_of(o)) {
    r = node->rect;
  }
  *x = (gint)r.x;
  *y = (gint)r.y;
  *w = (gint)r.w;
  *h = (gint)r.h;
  if (coords == ATK_XY_SCREEN) {
    *x += wx;
    *y += wy;
  }
}

gboolean tw_grab_focus(AtkComponent* c) {
  const A11yNode* node = node_of(ATK_OBJECT(c));
  if (!node || !(node->states & A11Y_FOCUSABLE)) return FALSE;
  a11y_queue_action(node->id, true);
  return TRUE;
}

void tw_component_iface_init(AtkComponentIface* iface) {
  iface->get_extents = tw_get_extents;
  iface->grab_focus = tw_grab_focus;
}

// ---- AtkAction: a press, a toggle or a choice, done by the GUI in the next frame

gint tw_get_n_actions(AtkAction* a) {
  const A11yNode* node = node_of(ATK_OBJECT(a));
  return node && pressable(node->role) && (node->states & A11Y_FOCUSABLE) ? 1 : 0;
}

gboolean tw_do_action(AtkAction* a, gint i) {
  const A11yNode* node = node_of(ATK_OBJECT(a));
  // Nothing to press without an item of its own (a step of the progress list).
  if (!node || i != 0 || !pressable(node->role) || !(node->states & A11Y_FOCUSABLE)) return FALSE;
  a11y_queue_action(node->id);
  return TRUE;
}

const gchar* tw_get_action_name(AtkAction* a, gint i) {
  const A11yNode* node = node_of(ATK_OBJECT(a));
  if (!node || i != 0) return nullptr;
  if (node->role == A11yRole::CHECK_BOX) return "toggle";
  if (node->role == A11yRole::RADIO || node->role == A11yRole::LIST_ITEM) return "select";
  return "click";
}

void tw_action_iface_init(AtkActionIface* iface) {
  iface->get_n_actions = tw_get_n_actions;
  iface->do_action = tw_do_action;
  iface->get_name = tw_get_action_name;
}

// ---- AtkValue: the progress bar's percentage

double percent(AtkValue* v) {
  const A11yNode* node = node_of(ATK_OBJECT(v));
  return node && node->value >= 0 ? node->value : 0;
}

void set_double(GValue* value, double d) {
  memset(value, 0, sizeof *value);
  g_value_init(value, G_TYPE_DOUBLE);
  g_value_set_double(value, d);
}

void tw_get_current_value(AtkValue* v, GValue* value) { set_double(value, percent(v)); }
void tw_get_minimum_value(AtkValue*, GValue* value) { set_double(value, 0); }
void tw_get_maximum_value(AtkValue*, GValue* value) { set_double(value, 100); }
void tw_get_value_and_text(AtkValue* v, gdouble* value, gchar** text) {
  *value = percent(v);
  if (text) *text = g_strdup_printf("%d%%", (int)*value);
}
AtkRange* tw_get_range(AtkValue*) { return atk_range_new(0, 100, nullptr); }

void tw_value_iface_init(AtkValueIface* iface) {
  iface->get_current_value = tw_get_current_value;
  iface->get_minimum_value = tw_get_minimum_value;
  iface->get_maximum_value = tw_get_maximum_value;
  iface->get_value_and_text = tw_get_value_and_text;
  iface->get_range = tw_get_range;
}

// ---- AtkText: the log, read-only

const std::string& text_of(AtkText*) { return tree().text; }

gchar* tw_get_text(AtkText* t, gint start, gint end) {
  const std::string& s = text_of(t);
  glong n = g_utf8_strlen(s.c_str(), (gssize)s.size());
  if (end < 0 || end > n) end = (gint)n;
  if (start < 0) start = 0;
  if (start > end) start = end;
  const char* a = g_utf8_offset_to_pointer(s.c_str(), start);
  const char* b = g_utf8_offset_to_pointer(s.c_str(), end);
  return g_strndup(a, (gsize)(b - a));
}
gint tw_get_character_count(AtkText* t) {
  const std::string& s = text_of(t);
  return (gint)g_utf8_strlen(s.c_str(), (gssize)s.size());
}
gint tw_get_caret_offset(AtkText*) { return 0; }

void tw_text_iface_init(AtkTextIface* iface) {
  iface->get_text = tw_get_text;
  iface->get_character_count = tw_get_character_count;
  iface->get_caret_offset = tw_get_caret_offset;
}

void tw_window_iface_init(AtkWindowIface*) {}

}  // namespace

// ---- The GObject types

#define TW_TYPE_NODE (tw_node_get_type())
#define TW_TYPE_PROGRESS (tw_progress_get_type())
#define TW_TYPE_TEXT (tw_text_get_type())
#define TW_TYPE_FRAME (tw_frame_get_type())
GType tw_node_get_type();
GType tw_progress_get_type();
GType tw_text_get_type();
GType tw_frame_get_type();

G_DEFINE_TYPE_WITH_CODE(TwNode, tw_node, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, tw_component_iface_init)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, tw_action_iface_init))
G_DEFINE_TYPE_WITH_CODE(TwProgress, tw_progress, TW_TYPE_NODE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_VALUE, tw_value_iface_init))
G_DEFINE_TYPE_WITH_CODE(TwText, tw_text, TW_TYPE_NODE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, tw_text_iface_init))
G_DEFINE_TYPE_WITH_CODE(TwFrame, tw_frame, TW_TYPE_NODE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_WINDOW, tw_window_iface_init))

static void tw_node_init(TwNode*) {}
static void tw_progress_init(TwProgress*) {}
static void tw_text_init(TwText*) {}
static void tw_frame_init(TwFrame*) {}
static void tw_progress_class_init(TwProgressClass*) {}
static void tw_text_class_init(TwTextClass*) {}
static void tw_frame_class_init(TwFrameClass*) {}

static void tw_node_class_init(TwNodeClass* klass) {
  AtkObjectClass* o = ATK_OBJECT_CLASS(klass);
  o->get_name = tw_get_name;
  o->get_description = tw_get_description;
  o->get_role = tw_get_role;
  o->get_n_children = tw_get_n_children;
  o->ref_child = tw_ref_child;
  o->get_index_in_parent = tw_get_index_in_parent;
  o->ref_state_set = tw_ref_state_set;
  o->get_attributes = tw_get_attributes;
}

namespace {

AtkObject* make(GType type, int kind, uint32_t id, AtkObject* parent) {
  auto* o = (AtkObject*)g_object_new(type, nullptr);
  TwNode* n = tw(o);
  n->kind = kind;
  n->id = id;
  n->index = -1;
  n->gone = false;
  atk_object_initialize(o, nullptr);
  if (parent) atk_object_set_parent(o, parent);
  return o;
}

GType type_for(A11yRole role) {
  if (role == A11yRole::PROGRESS) return TW_TYPE_PROGRESS;
  if (role == A11yRole::TEXT) return TW_TYPE_TEXT;
  return TW_TYPE_NODE;
}

AtkObject* object_of(uint32_t id) {
  auto it = g_objects.find(id);
  return it == g_objects.end() ? nullptr : it->second;
}

// Rows that are not in the tree: made when asked for, and gone once nobody holds them.
AtkObject* placeholder(AtkObject* list, int index) {
  AtkObject* o = make(TW_TYPE_NODE, PLACEHOLDER, 0, list);
  tw(o)->index = index;
  return o;
}

AtkObject* parent_object(uint32_t parent) { return parent ? object_of(parent) : g_frame; }

// ---- Global event listeners: the bridge hooks the signals it forwards to the bus.

std::unordered_map<guint, guint> g_hooks;  // hook id -> signal id

guint add_global_event_listener(GSignalEmissionHook listener, const gchar* event_type) {
  // "Gtk:AtkObject:state-change": the toolkit, the type, the signal.
  gchar** parts = g_strsplit(event_type, ":", 3);
  guint hook = 0;
  if (g_strv_length(parts) == 3) {
    GType type = g_type_from_name(parts[1]);
    if (type) {
      gpointer ref = G_TYPE_IS_INTERFACE(type) ? g_type_default_interface_ref(type) : g_type_class_ref(type);
      guint signal = g_signal_lookup(parts[2], type);
      if (signal) {
        hook = g_signal_add_emission_hook(signal, 0, listener, g_strdup(event_type), g_free);
        g_hooks[hook] = signal;
      }
      (void)ref;  // kept: the hook needs the type's signals for the whole run
    }
  }
  g_strfreev(parts);
  return hook;
}

void remove_global_event_listener(guint hook) {
  auto it = g_hooks.find(hook);
  if (it == g_hooks.end()) return;
  g_signal_remove_emission_hook(it->second, hook);
  g_hooks.erase(it);
}

AtkObject* get_root() { return g_app; }
const gchar* toolkit_name() { return "Tarnwell"; }
const gchar* toolkit_version() { return "1"; }

void bridge_up() {
  if (g_bridge) return;
  static bool classes_set = false;
  if (!classes_set) {
    AtkUtilClass* util = ATK_UTIL_CLASS(g_type_class_ref(ATK_TYPE_UTIL));
    util->get_root = get_root;
    util->get_toolkit_name = toolkit_name;
    util->get_toolkit_version = toolkit_version;
    util->add_global_event_listener = add_global_event_listener;
    util->remove_global_event_listener = remove_global_event_listener;
    classes_set = true;
  }
  if (!g_get_prgname()) g_set_prgname("tarnwell-setup");
  g_app = make(TW_TYPE_NODE, APP, 0, nullptr);
  g_frame = make(TW_TYPE_FRAME, FRAME, 0, g_app);
  g_note = make(TW_TYPE_NODE, NOTE, 0, g_frame);
  g_active = g_window && (SDL_GetWindowFlags(g_window) & SDL_WINDOW_INPUT_FOCUS);
  a11y_switch(true);
  atk_bridge_adaptor_init(nullptr, nullptr);
  g_bridge = true;
  if (g_active) g_signal_emit_by_name(g_frame, "activate");
  g_settle_at = SDL_GetTicks() + 1000;
}

void forget_objects() {
  for (auto& entry : g_objects) g_object_unref(entry.second);
  g_objects.clear();
  g_at.clear();
  g_position.clear();
  g_top.clear();
  g_rows.clear();
}

void bridge_down() {
  if (!g_bridge) return;
  a11y_switch(false);
  atk_bridge_adaptor_cleanup();
  forget_objects();
  g_clear_object(&g_note);
  g_note_text.clear();
  g_clear_object(&g_frame);
  g_clear_object(&g_app);
  g_bridge = false;
}

// ---- The desktop's switch: org.a11y.Status on the session bus

bool bool_of(GVariant* props, const char* name) {
  gboolean on = FALSE;
  g_variant_lookup(props, name, "b", &on);
  return on;
}

// The accessibility bus's address, asked without waiting: the bridge would ask for it
// itself, blocking the frame thread until the launcher answers, unless it is in
// AT_SPI_BUS_ADDRESS.
void on_address(GObject* source, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (!reply) {
    g_error_free(error);
    return;  // the launcher did not answer in time: nobody to talk to
  }
  const gchar* address = nullptr;
  g_variant_get(reply, "(&s)", &address);
  if (address && *address) {
    g_setenv("AT_SPI_BUS_ADDRESS", address, TRUE);
    bridge_up();
  }
  g_variant_unref(reply);
}

void ask_address() {
  if (g_bridge) return;
  g_dbus_connection_call(g_session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", nullptr,
                         G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000, g_cancel, on_address,
                         nullptr);
}

void on_status(GObject* source, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (!reply) {
    g_error_free(error);
    return;  // no launcher, or it did not answer in time: nobody listens
  }
  GVariant* props = g_variant_get_child_value(reply, 0);
  bool on = bool_of(props, "IsEnabled") || bool_of(props, "ScreenReaderEnabled");
  g_variant_unref(props);
  g_variant_unref(reply);
  if (on)
    ask_address();
  else
    bridge_down();
}

void read_status() {
  g_dbus_connection_call(g_session, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties",
                         "GetAll", g_variant_new("(s)", "org.a11y.Status"), G_VARIANT_TYPE("(a{sv})"),
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000, g_cancel, on_status, nullptr);
}

void on_status_changed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                       gpointer) {
  read_status();
}

void on_launcher(GDBusConnection*, const gchar*, const gchar*, gpointer) { read_status(); }
void on_launcher_gone(GDBusConnection*, const gchar*, gpointer) {
  bridge_down();
  g_unsetenv("AT_SPI_BUS_ADDRESS");  // a launcher that comes again has another bus
}

void on_bus(GObject*, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  g_session = g_bus_get_finish(result, &error);
  if (!g_session) {
    g_error_free(error);
    return;
  }
  g_dbus_connection_set_exit_on_close(g_session, FALSE);
  g_signal = g_dbus_connection_signal_subscribe(
      g_session, nullptr, "org.freedesktop.DBus.Properties", "PropertiesChanged", "/org/a11y/bus",
      "org.a11y.Status", G_DBUS_SIGNAL_FLAGS_NONE, on_status_changed, nullptr, nullptr);
  // Also when the launcher starts after the window, or goes.
  g_watch = g_bus_watch_name_on_connection(g_session, "org.a11y.Bus", G_BUS_NAME_WATCHER_FLAGS_NONE,
                                           on_launcher, on_launcher_gone, nullptr, nullptr);
}

// A session bus to ask, without starting one: its address, or the usual socket.
bool session_bus_known() {
  if (getenv("DBUS_SESSION_BUS_ADDRESS")) return true;
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (!runtime) return false;
  std::string socket = std::string(runtime) + "/bus";
  return g_file_test(socket.c_str(), G_FILE_TEST_EXISTS);
}

// ---- Telling the bridge what changed between two frames

void index_tree(const A11yTree& t) {
  g_at.clear();
  g_position.clear();
  g_top.clear();
  g_rows.clear();
  for (size_t i = 0; i < t.nodes.size(); i++) {
    const A11yNode& node = t.nodes[i];
    if (g_at.count(node.id)) continue;  // the same id twice: the first one speaks
    auto parent = node.parent ? g_at.find(node.parent) : g_at.end();
    if (node.parent && parent == g_at.end()) continue;  // a parent never drawn: nothing to hang on
    g_at[node.id] = i;
    if (node.parent) {
      // A list's row sits at its place in the whole list; another node among its siblings.
      std::vector<uint32_t>& siblings = g_rows[node.parent];
      g_position[node.id] =
          t.nodes[parent->second].role == A11yRole::LIST ? node.index : (int)siblings.size();
      siblings.push_back(node.id);
    } else {
      g_position[node.id] = (int)g_top.size() + 1;  // after the notification
      g_top.push_back(node.id);
    }
  }
}

const A11yNode* find(const A11yTree& t, const std::unordered_map<uint32_t, size_t>& at, uint32_t id) {
  auto it = at.find(id);
  return it == at.end() ? nullptr : &t.nodes[it->second];
}

void notify_states(AtkObject* o, uint32_t before, uint32_t now) {
  uint32_t changed = before ^ now;
  if (changed & A11Y_CHECKED) atk_object_notify_state_change(o, ATK_STATE_CHECKED, (now & A11Y_CHECKED) != 0);
  if (changed & A11Y_SELECTED)
    atk_object_notify_state_change(o, ATK_STATE_SELECTED, (now & A11Y_SELECTED) != 0);
  if (changed & A11Y_DISABLED) {
    atk_object_notify_state_change(o, ATK_STATE_ENABLED, !(now & A11Y_DISABLED));
    atk_object_notify_state_change(o, ATK_STATE_SENSITIVE, !(now & A11Y_DISABLED));
  }
}

}  // namespace

bool a11y_platform_start(SDL_Window* window) {
  g_window = window;
  if (!session_bus_known()) return false;
  g_cancel = g_cancellable_new();
  g_bus_get(G_BUS_TYPE_SESSION, g_cancel, on_bus, nullptr);
  return true;
}

bool a11y_platform_poll() {
  // Bounded, so that a flood of requests cannot keep the window from drawing.
  int i = 0;
  while (i < 100 && g_main_context_iteration(nullptr, FALSE)) i++;
  if (g_bridge && g_settle_at && SDL_GetTicks() >= g_settle_at) {
    g_settle_at = 0;
    if (g_active) a11y_platform_focus(true);
  }
  return i > 0;
}

void a11y_platform_changed(const A11yTree& before, const A11yTree& now) {
  if (!g_bridge) return;
  std::unordered_map<uint32_t, size_t> old_at = g_at;
  std::unordered_map<uint32_t, int> old_position = g_position;
  g_tree = &now;
  index_tree(now);

  // Gone: told to their parent from the last place back, so that every place told is
  // still right when it is told.
  for (auto node = before.nodes.rbegin(); node != before.nodes.rend(); ++node) {
    const A11yNode* still = find(now, g_at, node->id);
    if (still && still->role == node->role && still->parent == node->parent) continue;
    AtkObject* o = object_of(node->id);
    if (!o) continue;
    g_objects.erase(node->id);
    tw(o)->gone = true;
    atk_object_notify_state_change(o, ATK_STATE_DEFUNCT, TRUE);
    if (AtkObject* parent = parent_object(node->parent))
      g_signal_emit_by_name(parent, "children-changed::remove", old_position[node->id], o);
    g_object_unref(o);
  }
  // New ones, and what changed on the others.
  for (const A11yNode& node : now.nodes) {
    auto at = g_at.find(node.id);
    if (at == g_at.end() || at->second != (size_t)(&node - now.nodes.data())) continue;
    AtkObject* o = object_of(node.id);
    if (!o) {
      o = make(type_for(node.role), NODE, node.id, parent_object(node.parent));
      g_objects[node.id] = o;
      if (AtkObject* parent = parent_object(node.parent))
        g_signal_emit_by_name(parent, "children-changed::add", g_position[node.id], o);
      continue;
    }
    const A11yNode* was = find(before, old_at, node.id);
    if (!was) continue;
    if (was->name != node.name) g_object_notify(G_OBJECT(o), "accessible-name");
    if (was->description != node.description) g_object_notify(G_OBJECT(o), "accessible-description");
    if (was->value != node.value) g_object_notify(G_OBJECT(o), "accessible-value");
    notify_states(o, was->states, node.states);
  }
  // The focus frame moved.
  if (before.focus != now.focus) {
    if (AtkObject* o = object_of(before.focus)) atk_object_notify_state_change(o, ATK_STATE_FOCUSED, FALSE);
    if (AtkObject* o = object_of(now.focus)) {
      const A11yNode* node = find(now, g_at, now.focus);
      const A11yNode* parent = node && node->parent ? find(now, g_at, node->parent) : nullptr;
      if (parent && parent->role == A11yRole::LIST)
        if (AtkObject* list = object_of(node->parent))
          g_signal_emit_by_name(list, "active-descendant-changed", o);
      atk_object_notify_state_change(o, ATK_STATE_FOCUSED, TRUE);
    }
  }
  g_tree = nullptr;
}

void a11y_platform_announce(const std::string& text, bool assertive) {
  if (!g_bridge || !g_frame) return;
  // ATK 2.46 has one kind of announcement; newer screen readers speak it after what they say.
  g_signal_emit_by_name(g_frame, "announcement", text.c_str());
  // Outcomes and errors also show as the window's notification, which screen readers that
  // do not hear announcements (Orca 43) speak as it shows.
  if (!assertive || !g_note) return;
  if (!g_note_text.empty()) atk_object_notify_state_change(g_note, ATK_STATE_SHOWING, FALSE);
  g_note_text = text;
  g_object_notify(G_OBJECT(g_note), "accessible-name");
  atk_object_notify_state_change(g_note, ATK_STATE_SHOWING, TRUE);
}

void a11y_platform_focus(bool gained) {
  g_active = gained;
  if (!g_bridge || !g_frame) return;
  // As a toolkit's window does: activated, then its focused item focused again.
  atk_object_notify_state_change(g_frame, ATK_STATE_ACTIVE, gained);
  g_signal_emit_by_name(g_frame, gained ? "activate" : "deactivate");
  if (gained)
    if (AtkObject* o = object_of(a11y_tree().focus))
      atk_object_notify_state_change(o, ATK_STATE_FOCUSED, TRUE);
}

void a11y_platform_stop() {
  bridge_down();
  if (g_cancel) g_cancellable_cancel(g_cancel);
  if (g_watch) g_bus_unwatch_name(g_watch);
  if (g_session && g_signal) g_dbus_connection_signal_unsubscribe(g_session, g_signal);
  g_watch = g_signal = 0;
  g_clear_object(&g_session);
  g_clear_object(&g_cancel);
}
#endif
