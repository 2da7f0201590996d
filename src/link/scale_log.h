// The scale log: one file per scale ("log" key) holding every byte sent and
// received and every link or protocol error of that scale, opened and
// closed for every entry. Written by the scale's worker (and by the main
// thread before the worker starts or when its time-out strikes).
//
// Every write by the worker takes scale.guard and is skipped once the main
// thread has abandoned the worker (scale.abandoned), so a hung worker that
// wakes up late adds nothing after the main thread's "Receive timeout".
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/message_table.h"
#include "core/scale_entry.h"

namespace tolvan {

enum class ScaleLogKind : int { Send = 0, Text = 1, Received = 2, Dump = 3, Error = 4 };

// A formatted error text is cut at this many characters.
inline constexpr size_t kScaleLogErrorMax = 127;

// Appends one entry; nothing when the scale has no log, the file cannot be
// opened, the kind is unknown, or the worker has been abandoned. For Text
// the bytes are a NUL-terminated text and `length` is not used.
void ScaleLogWrite(ScaleEntry& scale, ScaleLogKind kind, const uint8_t* bytes, size_t length);
// Formats the code's text with the arguments (cut at 127 characters) and
// writes it as an Error entry. Writes the scale log only. Worker side: same
// guard and abandoned rule as ScaleLogWrite.
void ScaleLogError(ScaleEntry& scale, int code, ...);
// Main-thread form of ScaleLogError: takes no lock and ignores `abandoned`.
// Call it only when no worker can be writing: while holding scale.guard,
// after setting `abandoned` under the guard (the time-out strike writes
// "Receive timeout" so), or while no worker of the scale is alive
// (messages 17 and 31 before a start).
void ScaleLogErrorFromMain(ScaleEntry& scale, int code, ...);

}  // namespace tolvan
