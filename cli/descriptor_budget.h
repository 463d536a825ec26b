#pragma once
// How many conversions can run at once without running out of file descriptors: each
// holds an input, a temporary output and, briefly, a folder listing open.

namespace zel::cli {

// Raises the soft open-file limit to the hard one where allowed, and returns `requested`
// or, when that would not fit within the limit, the most workers that do (at least 1).
int WorkersWithinDescriptorLimit(int requested);

}  // namespace zel::cli
