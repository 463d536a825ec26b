#pragma once
// Waiting for what a child process does to a folder, without fixed delays: the condition
// is checked again each time the folder reports a change (a file created, written,
// renamed or removed) or the child ends, until it holds or the deadline passes.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>

namespace zel::test {

// True as soon as `condition` holds; false when the deadline passes first, or when
// `child` (if not -1) has ended and the condition still does not hold.
bool WaitForFolder(const std::filesystem::path& folder, const std::function<bool()>& condition,
                   std::chrono::steady_clock::duration timeout, pid_t child = -1);

}  // namespace zel::test
