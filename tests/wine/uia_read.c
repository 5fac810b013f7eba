/* A small UI Automation client, as a screen reader reads a window: finds the window named
   by its argument, takes its node and walks all below it, depth first, printing for each
   one line "depth<TAB>control type<TAB>name<TAB>help text<TAB>left top width height"
   (screen pixels; the window at depth 0). Everything comes from uiautomationcore.dll at
   run time. Exit code 0 when the window had children. */
#include <ole2.h>
#include <oleauto.h>
#include <stdio.h>
#include <windows.h>

typedef void* Node;
typedef struct {
  int type; /* ConditionType_True = 0 */
} Condition;
typedef struct {
  Condition* view;
  int scope; /* TreeScope_Element = 1 */
  int* properties;
  int property_count;
  int* patterns;
  int pattern_count;
  int mode; /* AutomationElementMode_Full = 1 */
} CacheRequest;

static HRESULT(WINAPI* node_from_handle)(HWND, Node*);
static HRESULT(WINAPI* get_property)(Node, int, VARIANT*);
static HRESULT(WINAPI* navigate)(Node, int, Condition*, CacheRequest*, SAFEARRAY**, BSTR*);
static HRESULT(WINAPI* node_from_variant)(VARIANT*, Node*);
static BOOL(WINAPI* node_release)(Node);

enum {
  NAME = 30005,
  CONTROL_TYPE = 30003,
  BOUNDS = 30001,
  HELP_TEXT = 30013,
  FIRST_CHILD = 3,
  NEXT_SIBLING = 1
};

/* The node that a navigation reached, or NULL. */
static Node step(Node from, int direction) {
  Condition every = {0};
  CacheRequest request = {&every, 1, NULL, 0, NULL, 0, 1};
  SAFEARRAY* data = NULL;
  BSTR shape = NULL;
  Node to = NULL;
  if (SUCCEEDED(navigate(from, direction, &every, &request, &data, &shape)) && data) {
    LONG at[2] = {0, 0};
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(SafeArrayGetElement(data, at, &v))) node_from_variant(&v, &to);
    VariantClear(&v);
    SafeArrayDestroy(data);
  }
  if (shape) SysFreeString(shape);
  return to;
}

static void text_of(VARIANT* v, char* text, int size) {
  text[0] = 0;
  if (v->vt == VT_BSTR && v->bstrVal) WideCharToMultiByte(CP_UTF8, 0, v->bstrVal, -1, text, size, NULL, NULL);
  for (char* c = text; *c; c++)
    if (*c == '\t' || *c == '\n') *c = ' ';
}

static void print_node(Node node, int depth) {
  VARIANT type, name, help, bounds;
  VariantInit(&type);
  VariantInit(&name);
  VariantInit(&help);
  VariantInit(&bounds);
  get_property(node, CONTROL_TYPE, &type);
  get_property(node, NAME, &name);
  get_property(node, HELP_TEXT, &help);
  get_property(node, BOUNDS, &bounds);
  char text[1024], about[1024];
  text_of(&name, text, sizeof text);
  text_of(&help, about, sizeof about);
  double r[4] = {0, 0, 0, 0};
  if (bounds.vt == (VT_R8 | VT_ARRAY))
    for (LONG i = 0; i < 4; i++) SafeArrayGetElement(bounds.parray, &i, &r[i]);
  printf("%d\t%ld\t%s\t%s\t%.0f %.0f %.0f %.0f\n", depth, type.vt == VT_I4 ? type.lVal : 0L, text, about,
         r[0], r[1], r[2], r[3]);
  VariantClear(&type);
  VariantClear(&name);
  VariantClear(&help);
  VariantClear(&bounds);
}

/* Prints `node` and all below it; returns how many are below it. */
static int walk(Node node, int depth) {
  print_node(node, depth);
  int count = 0;
  for (Node child = step(node, FIRST_CHILD); child && depth < 8;) {
    count += 1 + walk(child, depth + 1);
    Node next = step(child, NEXT_SIBLING);
    node_release(child);
    child = next;
  }
  return count;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HMODULE dll = LoadLibraryW(L"uiautomationcore.dll");
  if (!dll) return 3;
  node_from_handle = (void*)GetProcAddress(dll, "UiaNodeFromHandle");
  get_property = (void*)GetProcAddress(dll, "UiaGetPropertyValue");
  navigate = (void*)GetProcAddress(dll, "UiaNavigate");
  node_from_variant = (void*)GetProcAddress(dll, "UiaHUiaNodeFromVariant");
  node_release = (void*)GetProcAddress(dll, "UiaNodeRelease");
  if (!node_from_handle || !get_property || !navigate || !node_from_variant || !node_release) return 3;
  CoInitializeEx(NULL, COINIT_MULTITHREADED);
  HWND window = FindWindowA(NULL, argv[1]);
  if (!window) return 4;
  Node root = NULL;
  if (FAILED(node_from_handle(window, &root)) || !root) return 5;
  int count = walk(root, 0);
  node_release(root);
  fflush(stdout);
  return count ? 0 : 1;
}
