// What the backend's output lines do to `A`: the info reply and the job's messages.
#pragma once

#include <string>
#include <vector>

// The log keeps at most this many lines after a "log" message; beyond it the oldest
// LOG_TRIM lines go at once.
constexpr size_t LOG_KEEP = 600;
constexpr size_t LOG_TRIM = 200;

// What the job may keep, whatever the backend sends: at most LOG_KEEP log lines of at most
// LINE_KEEP bytes and a mark of what was cut (about 2.4 MiB), WARNINGS_KEEP warnings of at
// most LINE_KEEP bytes and one line that counts the rest, and STEPS_KEEP step rows whose
// ids and titles hold at most FIELD_KEEP bytes.
constexpr size_t LINE_KEEP = 4096;
constexpr size_t WARNINGS_KEEP = 50;
constexpr size_t STEPS_KEEP = 200;
constexpr size_t FIELD_KEEP = 300;
// Single texts are cut the same way: the progress text and the error's headline at
// LINE_KEEP, its detail (a traceback, say) at DETAIL_KEEP, and the command at COMMAND_KEEP,
// which holds the longest command line Windows can run. Of the info reply, names and
// reasons are cut at FIELD_KEEP or LINE_KEEP, and at most LEVELS_KEEP levels are offered.
constexpr size_t DETAIL_KEEP = 16384;
constexpr size_t COMMAND_KEEP = 32767;
constexpr size_t LEVELS_KEEP = 32;
// Paths (the game copy, the install folder, the log, the launcher) are kept whole when they
// are no longer than this, the longest Windows takes; a longer one is no path and is not
// taken (a launcher is kept cut, so that Play fails with what it was given).
constexpr size_t PATH_KEEP = 32767;

// `text` cut to at most `keep` bytes (never inside a UTF-8 character) followed by
// " ... (N bytes more)" with N in thousands, or `text` itself when it fits.
std::string cut_text(const std::string& text, size_t keep);

// Adds one line to the job's log, cut to LINE_KEEP, and drops the oldest LOG_TRIM lines
// once there are more than LOG_KEEP.
void add_log_line(const std::string& line);

// One line of the info query. A line that is not a JSON object is ignored.
void apply_info_line(const std::string& line);

// The lines of the job read in one poll, in order. A line that is not a JSON object is a
// raw log line.
void apply_job_lines(std::vector<std::string>& lines);
