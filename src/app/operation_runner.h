// Running one operation over all scales at once: start a worker per
// supporting scale, wait (with the receive time-out watch), then report —
// the summary lines 42/43, message 32 per failed scale — and keep failed
// scales' records in their resend files. Main thread only.
#pragma once

#include "core/message_table.h"
#include "core/scale_entry.h"

namespace tolvan {

class Driver;

// Prepares the entry and starts its worker (or sets status 3 for an
// unsupported type, status 2 when a receive's work file cannot be made or
// the run is being stopped).
// A receive without `workFile` opens none: a read-back of master data
// writes no file of the run.
void startScale(Driver& driver, ScaleEntry& scale, int dataType, int mode, bool workFile = true);
// After a wait: keeps on the scale's outcome the worst way an operation of
// this run ended on it, with the code that says why.
void noteOutcome(ScaleEntry& scale);
// Returns when no started worker is still running; a read or send hung
// longer than receiveTimeout + 2 seconds, or a scale past its time or stall
// limit (operationDeadline) by 2 seconds, fails its scale (message 28): the
// worker is abandoned and its socket shut down. A second stop signal does
// the same to every scale still working, noted as the stop.
void waitForAllScales(Driver& driver);

MessageCode sendToAllScales(Driver& driver, bool writeResendFiles);
MessageCode deleteAll(Driver& driver);
MessageCode receiveFromAllScales(Driver& driver);
// After a totals receive: delete-all of the type on the block-family scales
// whose receive succeeded; the message-family scales move to the table's end.
MessageCode totalsClearPass(Driver& driver);
// Option -r: sends every scale's resend file and deletes those that went out.
MessageCode resendStep(Driver& driver);

}  // namespace tolvan
