// PLU records on the wire: the message-family PLU record (message 30), PLU
// deletion (message 0) and upload request (message 50), and the
// block-family PLU texts, deletions and requests.
#pragma once

#include <cstdint>
#include <span>

#include "frame/scale_entry.h"

namespace tolvan {

// `record` is a PluRecord, or a DeletionRecord when `mode` is 2.
bool convertPlu(const ScaleEntry& scale, int mode, const void* record, int& code, std::span<uint8_t> buffer,
                int& length);
bool buildPluUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length);

}  // namespace tolvan
