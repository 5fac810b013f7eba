// Handing control to the desktop: starting the installed game and showing folders.
#pragma once

#include <string>

// Starts App.launcher detached and asks the frame loop to quit; when it cannot be
// started, the stopped view says so instead.
void play();

// Ends the program the way closing the window does, on the next turn of the frame loop.
void request_quit();

// How cmd.exe is asked to run a launcher script: the folder that becomes the working
// folder of cmd.exe (the launcher's own, with its trailing separator; empty for a bare
// name) and the one command it is given (".\" and the file name). False when the file
// name holds anything but letters, digits, '.', '_' and '-', which cmd.exe might read
// as more than a name.
struct CmdCall {
  std::string folder;
  std::string command;
};
bool cmd_call(const std::string& launcher, CmdCall* call);

// Shows a folder or file in the desktop's default handler.
void open_path(const std::string& path);

// The URL open_path hands to the desktop.
std::string file_url(const std::string& path);
