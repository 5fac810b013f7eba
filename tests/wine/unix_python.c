/* python.exe for tests under Wine: runs the Linux interpreter with the same arguments
 * and passes its standard output on to our own.
 *
 * Wine starts a Linux program from CreateProcess, but it can only hand over standard
 * handles that have a Unix file behind them. A pipe made by CreatePipe (what SDL gives
 * a backend for its output) has none, so the Linux child would write to /dev/null. A
 * loopback socket has one: the child writes into it, and we copy to the pipe. The
 * child's end closes when it exits, which ends the copy and this program.
 *
 * Wine's sockets are non-blocking underneath, so the child's writes would fail once the
 * socket's buffer is full and output would be lost; a few lines run before the script or
 * module make its standard output blocking.
 *
 * The interpreter is /usr/bin/python3, or the Linux path in TARNWELL_UNIX_PYTHON. The
 * Windows folders in PYTHONPATH and TARNWELL_LOCALEDIR are given to it by their Linux names. */
// winsock2.h before windows.h, and shellapi.h after it.
#include <winsock2.h>

#include <windows.h>

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

/* Appends one argument quoted so that Wine's argument splitting gives it back as it was. */
static void append_quoted(wchar_t *out, size_t cap, const wchar_t *arg) {
  size_t n = wcslen(out);
  if (n + 1 < cap) out[n++] = L' ';
  if (n + 1 < cap) out[n++] = L'"';
  for (const wchar_t *p = arg;; p++) {
    size_t slashes = 0;
    while (*p == L'\\') slashes++, p++;
    /* Backslashes are doubled only before a quote or the closing quote. */
    size_t copies = (*p == L'"' || *p == 0) ? slashes * 2 : slashes;
    for (size_t i = 0; i < copies && n + 1 < cap; i++) out[n++] = L'\\';
    if (*p == 0) break;
    if (*p == L'"' && n + 1 < cap) out[n++] = L'\\';
    if (n + 1 < cap) out[n++] = *p;
  }
  if (n + 1 < cap) out[n++] = L'"';
  out[n] = 0;
}

/* A variable of Windows folders (";" between them, as PYTHONPATH), each replaced by its
 * Linux name (":" between them), through Wine's own path mapping. */
static void translate_folders(const wchar_t *name) {
  typedef char *(CDECL * to_unix_fn)(const wchar_t *);
  to_unix_fn to_unix = (to_unix_fn)(void (*)(void))GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                                                  "wine_get_unix_file_name");
  static wchar_t value[32768];
  if (!to_unix || !GetEnvironmentVariableW(name, value, 32768)) return;
  static wchar_t out[32768];
  out[0] = 0;
  for (wchar_t *part = wcstok(value, L";"); part; part = wcstok(NULL, L";")) {
    char *unix_name = to_unix(part);
    if (!unix_name) continue;
    wchar_t wide[4096];
    MultiByteToWideChar(CP_UTF8, 0, unix_name, -1, wide, 4096);
    HeapFree(GetProcessHeap(), 0, unix_name);
    if (out[0]) wcsncat(out, L":", 32767 - wcslen(out));
    wcsncat(out, wide, 32767 - wcslen(out));
  }
  SetEnvironmentVariableW(name, out);
}

/* Run as python3 -c BOOTSTRAP ARGS...: ARGS is "-m MODULE ..." or "SCRIPT ...". */
static const wchar_t BOOTSTRAP[] =
    L"import os, runpy, sys\n"
    L"os.set_blocking(1, True)\n"
    L"a = sys.argv[1:]\n"
    L"if a[:1] == ['-m']:\n"
    L"    sys.argv = a[1:]\n"
    L"    runpy.run_module(a[1], run_name='__main__', alter_sys=True)\n"
    L"else:\n"
    L"    sys.argv = a\n"
    L"    runpy.run_path(a[0], run_name='__main__')\n";

static int fail(const char *what) {
  fprintf(stderr, "unix python: %s failed (%lu)\n", what, (unsigned long)GetLastError());
  return 127;
}

int main(void) {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return fail("WSAStartup");

  /* A connected pair of loopback sockets: the child's stdout and our reading end. */
  SOCKET listener = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, NULL, 0, 0);
  struct sockaddr_in addr;
  memset(&addr, 0, sizeof addr);
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof addr;
  if (listener == INVALID_SOCKET || bind(listener, (struct sockaddr *)&addr, sizeof addr) != 0 ||
      listen(listener, 1) != 0 || getsockname(listener, (struct sockaddr *)&addr, &len) != 0)
    return fail("listen");
  SOCKET child_end = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, NULL, 0, 0);
  if (child_end == INVALID_SOCKET || connect(child_end, (struct sockaddr *)&addr, sizeof addr) != 0)
    return fail("connect");
  SOCKET our_end = accept(listener, NULL, NULL);
  closesocket(listener);
  if (our_end == INVALID_SOCKET) return fail("accept");
  SetHandleInformation((HANDLE)child_end, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

  translate_folders(L"PYTHONPATH");
  translate_folders(L"TARNWELL_LOCALEDIR"); /* the compiled catalogs, which the program names */
  static wchar_t cmdline[32768];
  const wchar_t *python = _wgetenv(L"TARNWELL_UNIX_PYTHON");
  cmdline[0] = 0;
  append_quoted(cmdline, 32768, python && *python ? python : L"/usr/bin/python3");
  append_quoted(cmdline, 32768, L"-c");
  append_quoted(cmdline, 32768, BOOTSTRAP);
  int argc = 0;
  wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; argv && i < argc; i++) append_quoted(cmdline, 32768, argv[i]);

  STARTUPINFOW si;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = INVALID_HANDLE_VALUE;
  si.hStdOutput = (HANDLE)child_end;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi;
  if (!CreateProcessW(NULL, cmdline + 1, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi))
    return fail("CreateProcess");
  closesocket(child_end);

  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  char buf[8192];
  int n;
  while ((n = recv(our_end, buf, sizeof buf, 0)) > 0) {
    DWORD written;
    if (!WriteFile(out, buf, (DWORD)n, &written, NULL)) break; /* our reader is gone */
  }
  closesocket(our_end);
  return 0;
}
