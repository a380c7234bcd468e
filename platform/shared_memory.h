#pragma once
// Named shared memory that several processes map, each at an address of its choosing or at one
// address agreed between them. Contents read as zeros until written.
#include <cstddef>

namespace platform {

struct SharedMapping;

// Makes a new mapping of `bytes`; null when the name is taken or the system refuses.
SharedMapping* CreateSharedMapping(const char* name, std::size_t bytes);
// Opens the mapping of that name; null when there is none.
SharedMapping* OpenSharedMapping(const char* name);
std::size_t SharedMappingSize(const SharedMapping* mapping);
// Maps the first `bytes` of the mapping read-write: anywhere when `at` is null, else exactly
// at `at` (null when that range is not free).
void* MapSharedView(SharedMapping* mapping, void* at, std::size_t bytes);
bool UnmapSharedView(void* view, std::size_t bytes);
// Closes this process's handle; the mapping goes when the last holder closes. Views stay valid
// until unmapped.
void CloseSharedMapping(SharedMapping* mapping);

} // namespace platform
