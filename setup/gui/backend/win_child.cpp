#include "backend/win_child.h"

#ifdef _WIN32
#include <SDL3/SDL.h>
#include <windows.h>

#include <algorithm>

struct WinChild {
  HANDLE process = nullptr;
  HANDLE output = nullptr;
};

static std::wstring wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
  return w;
}

// One argument as the C runtime reads it back: in double quotes, a quote escaped, and the
// backslashes before a quote (or before the closing one) doubled.
static void append_quoted(std::wstring& line, const std::wstring& arg) {
  line += L'"';
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      slashes++;
      continue;
    }
    line.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    line += c;
  }
  line.append(2 * slashes, L'\\');
  line += L'"';
}

// The program's environment as SDL holds it (the language and the catalogs' folder are set
// there for the backend), as the block CreateProcessW takes: "NAME=value" strings sorted by
// name without regard to case, ending in an empty one.
static std::wstring environment_block() {
  std::vector<std::wstring> vars;
  if (char** all = SDL_GetEnvironmentVariables(SDL_GetEnvironment())) {
    for (char** v = all; *v; v++) vars.push_back(wide(*v));
    SDL_free(all);
  }
  auto name = [](const std::wstring& v) { return v.substr(0, v.find(L'=', 1)); };
  std::sort(vars.begin(), vars.end(), [&](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(name(a).c_str(), -1, name(b).c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::wstring block;
  for (const std::wstring& v : vars) block.append(v).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

static void fail(const char* what) { SDL_SetError("%s failed (Windows error %lu)", what, GetLastError()); }

WinChild* win_child_start(const std::vector<std::string>& args, void** job) {
  *job = nullptr;
  if (args.empty()) {
    SDL_SetError("nothing to start");
    return nullptr;
  }
  std::wstring line;
  for (const std::string& a : args) {
    if (!line.empty()) line += L' ';
    append_quoted(line, wide(a));
  }
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
    fail("CreatePipe");
    return nullptr;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);  // ours alone
  HANDLE nul = CreateFileW(L"\\\\.\\NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = write_end;
  startup.hStdError = nul;
  PROCESS_INFORMATION info = {};
  std::wstring environment = environment_block();
  BOOL made =
      CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT,
                     &environment[0], nullptr, &startup, &info);
  if (!made) fail("CreateProcess");
  CloseHandle(write_end);  // the child holds its own; the pipe ends when its writers do
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!made) {
    CloseHandle(read_end);
    return nullptr;
  }
  // Into its job before it runs. A job that cannot be had (an old system that nests no
  // jobs, inside a job of its own) leaves the backend to be followed alone.
  HANDLE j = CreateJobObjectW(nullptr, nullptr);
  if (j && AssignProcessToJobObject(j, info.hProcess)) {
    *job = j;
  } else if (j) {
    CloseHandle(j);
  }
  const bool runs = ResumeThread(info.hThread) != (DWORD)-1;
  if (!runs) fail("ResumeThread");
  CloseHandle(info.hThread);
  if (!runs) {
    TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(read_end);
    if (*job) CloseHandle((HANDLE)*job);
    *job = nullptr;
    return nullptr;
  }
  WinChild* child = new WinChild;
  child->process = info.hProcess;
  child->output = read_end;
  return child;
}

bool win_child_ended(WinChild* child, int* code) {
  if (WaitForSingleObject(child->process, 0) != WAIT_OBJECT_0) return false;
  DWORD exit_code = 0;
  if (code && GetExitCodeProcess(child->process, &exit_code)) *code = (int)exit_code;
  return true;
}

void* win_child_output(WinChild* child) { return child->output; }

void win_child_kill(WinChild* child) { TerminateProcess(child->process, 1); }

void win_child_destroy(WinChild* child) {
  CloseHandle(child->process);
  CloseHandle(child->output);
  delete child;
}
#endif
