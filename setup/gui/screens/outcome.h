// The views after a job: done, setup stopped, and missing build tools.
#pragma once

#include "state/app.h"

#include <cstdint>
#include <string>
#include <vector>

void view_done(float cw, float U);
// Setup stopped, or missing build tools when App.error_command is non-empty.
void view_stopped(float cw, float U);

// How long "Copied" stands on the copy button after a copy.
constexpr uint64_t COPIED_MS = 1600;
// A job shorter than this found everything up to date.
constexpr uint64_t UP_TO_DATE_MS = 3000;

// The done view's sentence for a job that took `took` ms.
std::string done_sentence(uint64_t took, bool desktop);

// "Copied" for a while after the current command was copied, else "Copy the command".
const char* copy_label(const App& app, uint64_t now);

// The command line that installs the missing build tools through the backend.
std::vector<std::string> install_args(const std::vector<std::string>& backend);
