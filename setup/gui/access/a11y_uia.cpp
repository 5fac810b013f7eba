// Windows: the tree as a UI Automation provider of the SDL window, for Narrator and NVDA.
// WM_GETOBJECT is sent, not posted, so SDL's message hook never sees it: the window
// procedure is subclassed to answer it. Nothing is built before the first such request.
// UI Automation calls the provider on threads of its own: it answers from a snapshot that
// the main thread takes after each frame, under a lock, and hands presses to the main thread.
// Everything of uiautomationcore.dll is resolved at run time: there is no import library for
// it, and older Windows and Wine lack some of its functions.
#ifdef _WIN32
#include "access/a11y.h"
#include "text/language.h"

#include <SDL3/SDL.h>
#include <ole2.h>
#include <oleauto.h>
#include <uiautomationcore.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

// What Debian's mingw-w64 headers leave out.
const GUID IID_Simple = {0xd6dd68d1, 0x86fd, 0x4332, {0x86, 0x66, 0x9a, 0xbe, 0xde, 0xa2, 0xd2, 0x4c}};
const GUID IID_Fragment = {0xf7063da8, 0x8359, 0x439c, {0x92, 0x97, 0xbb, 0xc5, 0x29, 0x9a, 0x7d, 0x87}};
const GUID IID_FragmentRoot = {0x620ce2a5, 0xab8f, 0x40a9, {0x86, 0xcb, 0xde, 0x3c, 0x75, 0x59, 0x9b, 0x58}};
const GUID IID_Invoke = {0x54fcb24b, 0xe18e, 0x47a2, {0xb4, 0xd3, 0xec, 0xcb, 0xe7, 0x75, 0x99, 0xa2}};
const GUID IID_Toggle = {0x56d00bd0, 0xc4f4, 0x433c, {0xa8, 0x36, 0x1a, 0x52, 0xa5, 0x7e, 0x08, 0x92}};
const GUID IID_SelectionItem = {0x2acad808, 0xb2d4, 0x452d, {0xa4, 0x07, 0x91, 0xff, 0x1a, 0xd1, 0x67, 0xb2}};
const GUID IID_RangeValue = {0x36dc7aef, 0x33e6, 0x4691, {0xaf, 0xe1, 0x2b, 0xe7, 0x27, 0x4b, 0x3d, 0x33}};
const GUID IID_Value = {0xc7935180, 0x6fb3, 0x4201, {0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb, 0xf6, 0x4a}};

struct IInvokeProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;
};
enum ToggleState { ToggleState_Off = 0, ToggleState_On = 1 };
struct IToggleProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Toggle() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ToggleState(ToggleState* state) = 0;
};
struct ISelectionItemProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Select() = 0;
  virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* selected) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** container) = 0;
};
struct IRangeValueProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetValue(double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* read_only) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Maximum(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Minimum(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LargeChange(double* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SmallChange(double* value) = 0;
};

// The log's lines as read-only text, as a read-only edit field gives them.
struct IValueProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* read_only) = 0;
};

enum : int {
  PATTERN_INVOKE = 10000,
  PATTERN_VALUE = 10002,
  PATTERN_RANGE_VALUE = 10003,
  PATTERN_SELECTION_ITEM = 10010,
  PATTERN_TOGGLE = 10015,
  PROP_CONTROL_TYPE = 30003,
  PROP_NAME = 30005,
  PROP_HAS_FOCUS = 30008,
  PROP_FOCUSABLE = 30009,
  PROP_ENABLED = 30010,
  PROP_AUTOMATION_ID = 30011,
  PROP_HELP_TEXT = 30013,
  PROP_IS_CONTROL = 30016,
  PROP_IS_CONTENT = 30017,
  PROP_FRAMEWORK_ID = 30024,
  PROP_VALUE = 30045,
  PROP_VALUE_READ_ONLY = 30046,
  PROP_RANGE_VALUE = 30047,
  PROP_POSITION_IN_SET = 30152,
  PROP_SIZE_OF_SET = 30153,
  PROP_TOGGLE_STATE = 30086,
  PROP_HEADING_LEVEL = 30173,
  PROP_LIVE_SETTING = 30135,
  LIVE_ASSERTIVE = 2,
  EVENT_LIVE_REGION_CHANGED = 20024,
  HEADING_LEVEL_1 = 80051,
  EVENT_FOCUS_CHANGED = 20005,
  STRUCTURE_CHILDREN_INVALIDATED = 2,
  NOTIFICATION_OTHER = 4,
  NOTIFICATION_IMPORTANT_MOST_RECENT = 1,
  NOTIFICATION_ALL = 2,
  ROOT_OBJECT_ID = -25,  // UiaRootObjectId
  APPEND_RUNTIME_ID = 3,
};
constexpr HRESULT ERROR_NOT_AVAILABLE = (HRESULT)0x80040201;  // UIA_E_ELEMENTNOTAVAILABLE
constexpr HRESULT ERROR_NOT_ENABLED = (HRESULT)0x80040200;    // UIA_E_ELEMENTNOTENABLED

int control_type(A11yRole role) {
  switch (role) {
    case A11yRole::WINDOW: return 50032;
    case A11yRole::HEADING: return 50020;  // text, with a heading level
    case A11yRole::LABEL: return 50020;
    case A11yRole::BUTTON: return 50000;
    case A11yRole::LINK: return 50005;
    case A11yRole::CHECK_BOX: return 50002;
    case A11yRole::RADIO: return 50013;
    case A11yRole::PROGRESS: return 50012;
    case A11yRole::LIST: return 50008;
    case A11yRole::LIST_ITEM: return 50007;
    case A11yRole::TEXT: return 50030;   // document, read-only
    case A11yRole::PANEL: return 50026;  // group
  }
  return 50025;
}

// uiautomationcore.dll, resolved once.
struct Uia {
  LRESULT(WINAPI* return_provider)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
  HRESULT(WINAPI* host_from_hwnd)(HWND, IRawElementProviderSimple**) = nullptr;
  HRESULT(WINAPI* raise_event)(IRawElementProviderSimple*, EVENTID) = nullptr;
  HRESULT(WINAPI* raise_property)(IRawElementProviderSimple*, PROPERTYID, VARIANT, VARIANT) = nullptr;
  HRESULT(WINAPI* raise_structure)(IRawElementProviderSimple*, int, int*, int) = nullptr;
  HRESULT(WINAPI* raise_notification)(IRawElementProviderSimple*, int, int, BSTR, BSTR) = nullptr;
  BOOL(WINAPI* clients_listening)() = nullptr;
  HRESULT(WINAPI* disconnect_all)() = nullptr;
} g_uia;

template <typename F>
void resolve(HMODULE dll, F& f, const char* name) {
  f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

// The snapshot the provider answers from.
CRITICAL_SECTION g_lock;
A11yTree g_snap;
POINT g_origin{0, 0};  // the client area's top left on the screen
SIZE g_size{0, 0};
HWND g_hwnd = nullptr;
WNDPROC g_old_proc = nullptr;

// The window's live region: the last outcome or error, as its name. Every reader hears it
// change (LiveRegionChanged, assertive), also where UiaRaiseNotificationEvent is missing.
constexpr uint32_t NOTE_ID = 0xfffffffeu;
std::string g_note_text;

// The tree with the live region at its end, once there is something in it.
void add_note(A11yTree& t) {
  if (g_note_text.empty()) return;
  A11yNode note;
  note.id = NOTE_ID;
  note.role = A11yRole::LABEL;
  note.name = g_note_text;
  t.nodes.push_back(note);
}

struct Locked {
  Locked() { EnterCriticalSection(&g_lock); }
  ~Locked() { LeaveCriticalSection(&g_lock); }
};

const A11yNode* find(uint32_t id) {
  for (const A11yNode& node : g_snap.nodes)
    if (node.id == id) return &node;
  return nullptr;
}

// The children of `parent` (0: the window), in order.
std::vector<uint32_t> children(uint32_t parent) {
  std::vector<uint32_t> out;
  for (const A11yNode& node : g_snap.nodes)
    if (node.parent == parent) out.push_back(node.id);
  return out;
}

BSTR bstr(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), nullptr, 0);
  BSTR out = SysAllocStringLen(nullptr, (UINT)n);
  if (out) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), out, n);
  return out;
}

// One item of the tree, or the window itself (id 0), as UI Automation sees it. Made on
// request; UI Automation tells two apart by their runtime ids.
class Element : public IRawElementProviderSimple,
                public IRawElementProviderFragment,
                public IRawElementProviderFragmentRoot,
                public IInvokeProvider,
                public IToggleProvider,
                public ISelectionItemProvider,
                public IRangeValueProvider,
                public IValueProvider {
 public:
  explicit Element(uint32_t id) : id_(id) {}
  virtual ~Element() = default;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_Simple)
      *out = static_cast<IRawElementProviderSimple*>(this);
    else if (riid == IID_Fragment)
      *out = static_cast<IRawElementProviderFragment*>(this);
    else if (riid == IID_FragmentRoot && id_ == 0)
      *out = static_cast<IRawElementProviderFragmentRoot*>(this);
    else if (riid == IID_Invoke)
      *out = static_cast<IInvokeProvider*>(this);
    else if (riid == IID_Toggle)
      *out = static_cast<IToggleProvider*>(this);
    else if (riid == IID_SelectionItem)
      *out = static_cast<ISelectionItemProvider*>(this);
    else if (riid == IID_RangeValue)
      *out = static_cast<IRangeValueProvider*>(this);
    else if (riid == IID_Value)
      *out = static_cast<IValueProvider*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IRawElementProviderSimple
  HRESULT STDMETHODCALLTYPE get_ProviderOptions(enum ProviderOptions* out) override {
    *out = ProviderOptions_ServerSideProvider;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** out) override {
    *out = nullptr;
    Locked lock;
    const A11yNode* node = find(id_);
    if (!node) return id_ ? ERROR_NOT_AVAILABLE : S_OK;
    const bool enabled = !(node->states & A11Y_DISABLED);
    IUnknown* p = nullptr;
    if (pattern == PATTERN_INVOKE && enabled &&
        (node->role == A11yRole::BUTTON || node->role == A11yRole::LINK))
      p = static_cast<IInvokeProvider*>(this);
    else if (pattern == PATTERN_TOGGLE && node->role == A11yRole::CHECK_BOX)
      p = static_cast<IToggleProvider*>(this);
    else if (pattern == PATTERN_SELECTION_ITEM &&
             (node->role == A11yRole::RADIO || node->role == A11yRole::LIST_ITEM))
      p = static_cast<ISelectionItemProvider*>(this);
    else if (pattern == PATTERN_RANGE_VALUE && node->role == A11yRole::PROGRESS)
      p = static_cast<IRangeValueProvider*>(this);
    else if (pattern == PATTERN_VALUE && node->role == A11yRole::TEXT)
      p = static_cast<IValueProvider*>(this);
    if (p) {
      AddRef();
      *out = p;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* out) override {
    VariantInit(out);
    Locked lock;
    if (id_ == 0) {
      if (property == PROP_CONTROL_TYPE) set_int(out, 50032);
      if (property == PROP_NAME) set_text(out, tr("Tarnwell Setup"));
      return S_OK;
    }
    const A11yNode* node = find(id_);
    if (!node) return ERROR_NOT_AVAILABLE;
    switch (property) {
      case PROP_CONTROL_TYPE: set_int(out, control_type(node->role)); break;
      case PROP_NAME: set_text(out, node->name); break;
      case PROP_HELP_TEXT:
        if (!node->description.empty()) set_text(out, node->description);
        break;
      case PROP_AUTOMATION_ID: set_text(out, std::to_string(node->id)); break;
      case PROP_HAS_FOCUS: set_bool(out, (node->states & A11Y_FOCUSED) != 0); break;
      case PROP_FOCUSABLE: set_bool(out, (node->states & A11Y_FOCUSABLE) != 0); break;
      case PROP_ENABLED: set_bool(out, !(node->states & A11Y_DISABLED)); break;
      case PROP_IS_CONTROL:
      case PROP_IS_CONTENT: set_bool(out, true); break;
      case PROP_FRAMEWORK_ID: set_text(out, "Tarnwell"); break;
      case PROP_VALUE:
        if (node->role == A11yRole::TEXT) set_text(out, g_snap.text);
        break;
      case PROP_VALUE_READ_ONLY:
        if (node->role == A11yRole::TEXT) set_bool(out, true);
        break;
      case PROP_POSITION_IN_SET:
        if (node->role == A11yRole::LIST_ITEM && node->index >= 0) set_int(out, node->index + 1);
        break;
      case PROP_SIZE_OF_SET:
        // A list holds only its rows in sight and the selected one; the whole count is the
        // list's own.
        if (node->role == A11yRole::LIST_ITEM)
          if (const A11yNode* list = find(node->parent)) set_int(out, list->count);
        break;
      case PROP_LIVE_SETTING:
        if (node->id == NOTE_ID) set_int(out, LIVE_ASSERTIVE);
        break;
      case PROP_HEADING_LEVEL:
        if (node->role == A11yRole::HEADING)
          set_int(out, HEADING_LEVEL_1 - 1 + (node->level ? node->level : 2));
        break;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override {
    *out = nullptr;
    if (id_ == 0 && g_uia.host_from_hwnd) return g_uia.host_from_hwnd(g_hwnd, out);
    return S_OK;
  }

  // IRawElementProviderFragment
  HRESULT STDMETHODCALLTYPE Navigate(enum NavigateDirection direction,
                                     IRawElementProviderFragment** out) override {
    *out = nullptr;
    Locked lock;
    uint32_t target = 0;
    bool found = false;
    if (direction == NavigateDirection_Parent) {
      if (id_ == 0) return S_OK;
      const A11yNode* node = find(id_);
      if (!node) return ERROR_NOT_AVAILABLE;
      target = node->parent;
      found = true;
    } else if (direction == NavigateDirection_FirstChild || direction == NavigateDirection_LastChild) {
      std::vector<uint32_t> kids = children(id_);
      if (!kids.empty()) {
        target = direction == NavigateDirection_FirstChild ? kids.front() : kids.back();
        found = true;
      }
    } else if (id_ != 0) {
      const A11yNode* node = find(id_);
      if (!node) return ERROR_NOT_AVAILABLE;
      std::vector<uint32_t> siblings = children(node->parent);
      for (size_t i = 0; i < siblings.size(); i++) {
        if (siblings[i] != id_) continue;
        if (direction == NavigateDirection_NextSibling && i + 1 < siblings.size()) {
          target = siblings[i + 1];
          found = true;
        } else if (direction == NavigateDirection_PreviousSibling && i > 0) {
          target = siblings[i - 1];
          found = true;
        }
        break;
      }
    }
    if (found) *out = new Element(target);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** out) override {
    *out = nullptr;
    if (id_ == 0) return S_OK;  // the host's own id stands for the window
    *out = SafeArrayCreateVector(VT_I4, 0, 2);
    if (!*out) return E_OUTOFMEMORY;
    LONG i = 0;
    int part = APPEND_RUNTIME_ID;
    SafeArrayPutElement(*out, &i, &part);
    i = 1;
    part = (int)id_;
    SafeArrayPutElement(*out, &i, &part);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BoundingRectangle(struct UiaRect* out) override {
    Locked lock;
    *out = {(double)g_origin.x, (double)g_origin.y, (double)g_size.cx, (double)g_size.cy};
    if (id_ == 0) return S_OK;
    const A11yNode* node = find(id_);
    if (!node) return ERROR_NOT_AVAILABLE;
    *out = {g_origin.x + node->rect.x, g_origin.y + node->rect.y, node->rect.w, node->rect.h};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** out) override {
    *out = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFocus() override {
    if (id_ == 0) return S_OK;  // the window: the system moves its focus
    {
      Locked lock;
      const A11yNode* node = find(id_);
      if (!node) return ERROR_NOT_AVAILABLE;
      if (!(node->states & A11Y_FOCUSABLE)) return ERROR_NOT_ENABLED;
    }
    a11y_queue_action(id_, true);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** out) override {
    *out = new Element(0);
    return S_OK;
  }

  // IRawElementProviderFragmentRoot
  HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y,
                                                     IRawElementProviderFragment** out) override {
    Locked lock;
    uint32_t hit = 0;
    for (const A11yNode& node : g_snap.nodes) {
      double nx = g_origin.x + node.rect.x, ny = g_origin.y + node.rect.y;
      if (x >= nx && y >= ny && x < nx + node.rect.w && y < ny + node.rect.h) hit = node.id;
    }
    *out = new Element(hit);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** out) override {
    Locked lock;
    *out = g_snap.focus ? new Element(g_snap.focus) : nullptr;
    return S_OK;
  }

  // Presses: done by the GUI on the main thread, in its next frame.
  HRESULT STDMETHODCALLTYPE Invoke() override { return press(); }
  HRESULT STDMETHODCALLTYPE Toggle() override { return press(); }
  HRESULT STDMETHODCALLTYPE Select() override { return press(); }
  HRESULT STDMETHODCALLTYPE AddToSelection() override { return press(); }
  HRESULT STDMETHODCALLTYPE RemoveFromSelection() override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE get_ToggleState(ToggleState* out) override {
    Locked lock;
    const A11yNode* node = find(id_);
    *out = node && (node->states & A11Y_CHECKED) ? ToggleState_On : ToggleState_Off;
    return node ? S_OK : ERROR_NOT_AVAILABLE;
  }
  HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* out) override {
    Locked lock;
    const A11yNode* node = find(id_);
    *out = node && (node->states & (A11Y_CHECKED | A11Y_SELECTED)) ? TRUE : FALSE;
    return node ? S_OK : ERROR_NOT_AVAILABLE;
  }
  HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** out) override {
    Locked lock;
    const A11yNode* node = find(id_);
    *out =
        node && node->parent ? static_cast<IRawElementProviderSimple*>(new Element(node->parent)) : nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetValue(double) override { return E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR) override { return E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE get_Value(BSTR* out) override {
    Locked lock;
    *out = bstr(g_snap.text);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Value(double* out) override {
    Locked lock;
    const A11yNode* node = find(id_);
    *out = node && node->value >= 0 ? node->value : 0;
    return node ? S_OK : ERROR_NOT_AVAILABLE;
  }
  HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* out) override {
    *out = TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Maximum(double* out) override {
    *out = 100;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Minimum(double* out) override {
    *out = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_LargeChange(double* out) override {
    *out = 10;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_SmallChange(double* out) override {
    *out = 1;
    return S_OK;
  }

 private:
  HRESULT press() {
    {
      Locked lock;
      const A11yNode* node = find(id_);
      if (!node) return ERROR_NOT_AVAILABLE;
      // Disabled, or without an item of its own to press.
      if (!(node->states & A11Y_FOCUSABLE)) return ERROR_NOT_ENABLED;
    }
    a11y_queue_action(id_);
    return S_OK;
  }
  static void set_int(VARIANT* v, int i) {
    v->vt = VT_I4;
    v->lVal = i;
  }
  static void set_bool(VARIANT* v, bool b) {
    v->vt = VT_BOOL;
    v->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  }
  static void set_text(VARIANT* v, const std::string& s) {
    v->vt = VT_BSTR;
    v->bstrVal = bstr(s);
  }

  uint32_t id_;
  std::atomic<ULONG> refs_{1};
};

// Asked for the window's provider: a client is there, so the tree is kept from now on.
LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_GETOBJECT && (LONG)lparam == ROOT_OBJECT_ID && g_uia.return_provider) {
    a11y_switch(true);
    Element* root = new Element(0);
    LRESULT result = g_uia.return_provider(hwnd, wparam, lparam, root);
    root->Release();
    return result;
  }
  if (msg == WM_DESTROY && g_uia.return_provider) g_uia.return_provider(hwnd, 0, 0, nullptr);
  return CallWindowProcW(g_old_proc, hwnd, msg, wparam, lparam);
}

bool listening() { return !g_uia.clients_listening || g_uia.clients_listening(); }

void raise_property(uint32_t id, PROPERTYID property, VARIANT before, VARIANT now) {
  if (!g_uia.raise_property) return;
  Element* e = new Element(id);
  g_uia.raise_property(e, property, before, now);
  e->Release();
}

}  // namespace

bool a11y_platform_start(SDL_Window* window) {
  InitializeCriticalSection(&g_lock);
  g_hwnd = (HWND)SDL_GetPointerProperty(SDL_GetWindowProperties(window), SDL_PROP_WINDOW_WIN32_HWND_POINTER,
                                        nullptr);
  HMODULE dll = LoadLibraryW(L"uiautomationcore.dll");
  if (!g_hwnd || !dll) return false;
  resolve(dll, g_uia.return_provider, "UiaReturnRawElementProvider");
  resolve(dll, g_uia.host_from_hwnd, "UiaHostProviderFromHwnd");
  resolve(dll, g_uia.raise_event, "UiaRaiseAutomationEvent");
  resolve(dll, g_uia.raise_property, "UiaRaiseAutomationPropertyChangedEvent");
  resolve(dll, g_uia.raise_structure, "UiaRaiseStructureChangedEvent");
  resolve(dll, g_uia.raise_notification, "UiaRaiseNotificationEvent");
  resolve(dll, g_uia.clients_listening, "UiaClientsAreListening");
  resolve(dll, g_uia.disconnect_all, "UiaDisconnectAllProviders");
  if (!g_uia.return_provider) return false;
  g_old_proc = (WNDPROC)SetWindowLongPtrW(g_hwnd, GWLP_WNDPROC, (LONG_PTR)window_proc);
  return true;
}

bool a11y_platform_poll() { return false; }

void a11y_platform_changed(const A11yTree& before, const A11yTree& now) {
  POINT origin{0, 0};
  RECT client{0, 0, 0, 0};
  ClientToScreen(g_hwnd, &origin);
  GetClientRect(g_hwnd, &client);
  {
    Locked lock;
    g_snap = now;
    add_note(g_snap);
    g_origin = origin;
    g_size = {client.right, client.bottom};
  }
  if (!listening()) return;
  // A new view: the window's children are to be read again.
  bool same = before.nodes.size() == now.nodes.size();
  for (size_t i = 0; same && i < now.nodes.size(); i++) same = before.nodes[i].id == now.nodes[i].id;
  if (!same && g_uia.raise_structure) {
    Element* root = new Element(0);
    g_uia.raise_structure(root, STRUCTURE_CHILDREN_INVALIDATED, nullptr, 0);
    root->Release();
  }
  if (same)
    for (size_t i = 0; i < now.nodes.size(); i++) {
      const A11yNode &was = before.nodes[i], &is = now.nodes[i];
      if (was.value != is.value) {
        VARIANT a, b;
        a.vt = b.vt = VT_R8;
        a.dblVal = was.value;
        b.dblVal = is.value;
        raise_property(is.id, PROP_RANGE_VALUE, a, b);
      }
      if (was.name != is.name || was.description != is.description) {
        VARIANT a, b;
        a.vt = b.vt = VT_BSTR;
        const bool name = was.name != is.name;
        a.bstrVal = bstr(name ? was.name : was.description);
        b.bstrVal = bstr(name ? is.name : is.description);
        raise_property(is.id, name ? PROP_NAME : PROP_HELP_TEXT, a, b);
        SysFreeString(a.bstrVal);
        SysFreeString(b.bstrVal);
      }
      if ((was.states ^ is.states) & A11Y_CHECKED && is.role == A11yRole::CHECK_BOX) {
        VARIANT a, b;
        a.vt = b.vt = VT_I4;
        a.lVal = (was.states & A11Y_CHECKED) ? 1 : 0;
        b.lVal = (is.states & A11Y_CHECKED) ? 1 : 0;
        raise_property(is.id, PROP_TOGGLE_STATE, a, b);
      }
    }
  if (before.focus != now.focus && now.focus && g_uia.raise_event) {
    Element* e = new Element(now.focus);
    g_uia.raise_event(e, EVENT_FOCUS_CHANGED);
    e->Release();
  }
}

void a11y_platform_announce(const std::string& text, bool assertive) {
  if (!listening()) return;
  if (assertive) {
    {
      Locked lock;
      g_note_text = text;
      for (size_t i = 0; i < g_snap.nodes.size(); i++)
        if (g_snap.nodes[i].id == NOTE_ID) g_snap.nodes.erase(g_snap.nodes.begin() + (long)i);
      add_note(g_snap);
    }
    if (g_uia.raise_event) {
      Element* note = new Element(NOTE_ID);
      g_uia.raise_event(note, EVENT_LIVE_REGION_CHANGED);
      note->Release();
    }
  }
  // Windows 10 1709 and later.
  if (!g_uia.raise_notification) return;
  Element* root = new Element(0);
  BSTR said = bstr(text), activity = bstr("tarnwell-setup");
  g_uia.raise_notification(root, NOTIFICATION_OTHER,
                           assertive ? NOTIFICATION_IMPORTANT_MOST_RECENT : NOTIFICATION_ALL, said, activity);
  SysFreeString(said);
  SysFreeString(activity);
  root->Release();
}

void a11y_platform_focus(bool gained) {
  // The window's own focus event comes from the system; its focused item is told after it.
  uint32_t focus = 0;
  {
    Locked lock;
    focus = g_snap.focus;
  }
  if (!gained || !focus || !g_uia.raise_event || !listening()) return;
  Element* e = new Element(focus);
  g_uia.raise_event(e, EVENT_FOCUS_CHANGED);
  e->Release();
}

void a11y_platform_stop() {
  if (g_hwnd && g_old_proc) {
    SetWindowLongPtrW(g_hwnd, GWLP_WNDPROC, (LONG_PTR)g_old_proc);
    if (g_uia.return_provider) g_uia.return_provider(g_hwnd, 0, 0, nullptr);
  }
  // No client holds on to a provider once the tree it answers from is gone.
  if (g_uia.disconnect_all) g_uia.disconnect_all();
  g_old_proc = nullptr;
}
#endif
