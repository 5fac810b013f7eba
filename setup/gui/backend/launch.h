// Handing control to the desktop: starting the installed game and showing folders.
#pragma once

#include <string>

// Starts App.launcher detached and asks the frame loop to quit; when it cannot be
// started, the stopped view says so instead.
void play();

// Shows a folder or file in the desktop's default handler.
void open_path(const std::string& path);

// The URL open_path hands to the desktop.
std::string file_url(const std::string& path);
