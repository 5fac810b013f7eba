// What the backend's output lines do to `A`: the info reply and the job's messages.
#pragma once

#include <string>
#include <vector>

// The log keeps at most this many lines after a "log" message; beyond it the oldest
// LOG_TRIM lines go at once.
constexpr size_t LOG_KEEP = 600;
constexpr size_t LOG_TRIM = 200;

// One line of the info query. A line that is not a JSON object is ignored.
void apply_info_line(const std::string& line);

// The lines of the job read in one poll, in order. A line that is not a JSON object is a
// raw log line. Lines are moved out of the list.
void apply_job_lines(std::vector<std::string>& lines);
