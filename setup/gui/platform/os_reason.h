// Why a call to the operating system failed, in the window's language: our own sentence
// for the common reasons, else the system's own text (Windows: in the chosen language
// where the system has it; Linux: strerror in the locale, which follows LANGUAGE).
#pragma once

#include <string>

// The reason of this thread's last failed call (errno; on Windows GetLastError), read at
// once after the call; `fallback` (SDL's message, say) when there is none.
std::string os_reason(const char* fallback);

// The reason for an error number: errno on Linux, a system error code on Windows; "" for 0.
std::string os_reason_of(int code);
