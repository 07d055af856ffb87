#pragma once
// Process-wide preparation for batches of thousands of files, each with its own upload.

namespace seo {

// Raises the soft limit of open files to the hard limit, so that a large batch does not run
// out of descriptors for its connections and files. Returns the limit now in force.
unsigned long RaiseOpenFileLimit();

}  // namespace seo
