#pragma once
// Process-wide preparation, done once at start-up, for batches of thousands of uploads and for
// answers of any size.

namespace seo {

// Raises the soft limit of open files to the hard limit, so that a large batch does not run
// out of descriptors for its connections and files. Returns the limit now in force.
unsigned long RaiseOpenFileLimit();

// Large buffers (a huge answer, an engine that ran into its memory cap) are mapped on their
// own and go back to the system as soon as they are freed. By default the allocator raises
// its thresholds after the first large buffer and then keeps up to twice that much of freed
// memory in every worker thread's arena, for the life of the process. The arenas themselves
// are capped, so a batch of a thousand threads does not spread freed memory over dozens.
void ReturnLargeBuffersToTheSystem();

// Both of the above.
void PrepareProcess();

}  // namespace seo
