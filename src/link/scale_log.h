// The scale log: one file per scale ("log" key) holding every byte sent and
// received and every link or protocol error of that scale, opened and
// closed for every entry. Written by the scale's worker (and by the main
// thread before the worker starts or when its time-out strikes).
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/message_table.h"
#include "frame/scale_entry.h"

namespace tolvan {

enum class ScaleLogKind : int { Send = 0, Text = 1, Received = 2, Dump = 3, Error = 4 };

// Appends one entry; nothing when the scale has no log or it cannot open.
void ScaleLogWrite(ScaleEntry& scale, ScaleLogKind kind, const uint8_t* bytes, size_t length);
// Formats the code's text with the arguments (cut at 127 characters) and
// writes it as an Error entry. Writes the scale log only.
void ScaleLogError(ScaleEntry& scale, MessageCode code, ...);

}  // namespace tolvan
