#include "backend/protocol.h"

void ask_info() {}
void start_build() {}
void start_run(const std::vector<std::string>&) {}
void poll_backend() {}
void cancel_build() {}
