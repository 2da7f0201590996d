// The block protocol of the "vt30", "pmx" and "lm50" scales: ASCII records
// in blocks framed by control characters with a check byte, TCP or UDP.
// A send is one selection (enquiry, ACK), the blocks of every record and a
// final EOT. A receive sends the upload request, turns the line round with
// EOT, answers the scale's enquiry and then ACKs or NAKs its blocks until
// the scale's EOT. Framing lives in link/block_frames.h; bytes travel over
// link/scale_link.h; record texts come from records/record_dispatch.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "core/message_table.h"
#include "core/scale_entry.h"
#include "link/block_frames.h"

namespace tolvan {

// The send procedure (every operation but receive): the run's records, or
// the scale's resend file. Stops at a record that does not convert as if
// the records had run out. Returns 0 or the failure's code.
MessageCode BlockSend(ScaleEntry& scale);
// The receive procedure: every received message goes to handleReceivedRecord.
MessageCode BlockReceive(ScaleEntry& scale);

// The steps of both procedures, usable on their own by tests.
// Enquiry and ACK: 0, 21, 22 (read error), 23 (other answer) or 28.
MessageCode BlockEnquiry(ScaleEntry& scale);
// One message as blocks; an empty text sends nothing. 0, 21, 22 or 23.
// `refusals`, when given, is raised by one for every block answered NAK.
// `whileLastAnswerComes`, when given, runs once the last block is sent and
// before its answer is read.
MessageCode SendBlocks(ScaleEntry& scale, std::span<const uint8_t> text, int* refusals = nullptr,
                       const std::function<void()>& whileLastAnswerComes = {});
// The scale's enquiry after the line turn-round: 0, 22 or 28.
MessageCode ReadScaleEnquiry(ScaleEntry& scale);
// Block header; terminator EOT when the scale ended the transfer.
MessageCode ReadBlockHeader(ScaleEntry& scale, std::span<uint8_t, kBlockHeaderLen> header, uint8_t& terminator);
// One block into `buffer` (data, terminator, check byte); `dataLength`
// data bytes, `terminator` ETX, ETB or EOT. 0, 22, 28 or 30.
MessageCode ReceiveBlock(ScaleEntry& scale, std::span<uint8_t> buffer, size_t& dataLength, uint8_t& terminator);
// One message (at most 4095 bytes, NUL after it) into `buffer` of at least
// 4098 bytes; `end` when the scale sent EOT instead. 0, 22, 28 or 30.
MessageCode ReceiveMessage(ScaleEntry& scale, std::span<uint8_t> buffer, size_t& length, bool& end);

}  // namespace tolvan
