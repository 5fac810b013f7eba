// The front-end's side of the conversation with the backend: the info query, the job
// (a build or an installation of build tools) and cancel.
#pragma once

#include <string>
#include <vector>

void ask_info();
void start_build();
void start_run(const std::vector<std::string>& args);
void poll_backend();
void cancel_build();
// At quit: cancel_build, then about 15 seconds for the job to end (its output still read,
// so that a chatty backend cannot block on a full pipe), then SDL_KillProcess.
void stop_build();

// The empty file whose appearance asks a running job to stop: App.dest + "/.setup/cancel"
// ("\.setup\cancel" on Windows).
std::string cancel_marker_path();
