// Repair of an AVI file whose writing stopped half-way (disk full, folder gone).
#pragma once

#include <cstdint>

namespace tesmira {

// Makes the file open on `fd` readable: the sizes of its last RIFF part and "movi" list and the
// frame counts of the headers. The index stays missing; players walk the "movi" list.
void PatchUnfinishedAvi(int fd, uint32_t frames, uint32_t audioBlocks);

}  // namespace tesmira
