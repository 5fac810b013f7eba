// The system's wish for less motion, and whether the session is a remote one.
#pragma once

#include <functional>
#include <string>

// Windows: "Show animations in Windows" switched off. Linux: the desktop portal's
// "reduced-motion" setting, or GNOME's "enable-animations" turned off, asked of the
// session bus for 250 ms at most; false when there is no bus or no answer by then.
bool system_wants_less_motion();

// Windows: a Remote Desktop session. Linux: an xrdp session, or an X display forwarded
// over SSH (a display with a host name in front of its number).
bool remote_session();

// The Linux rule of remote_session over the environment `env` gives (null: not set).
bool remote_from_environment(const std::function<const char*(const char*)>& env);

// What the portal's reply values mean: a "reduced-motion" of 1 asks for less motion, and
// so does an "enable-animations" of false.
bool portal_asks_less_motion(bool have_reduced, unsigned reduced, bool have_animations, bool animations);
