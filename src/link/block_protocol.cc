#include "link/block_protocol.h"

namespace tolvan {

// The block protocol is not built yet: say so rather than pretend.
MessageCode BlockSend(ScaleEntry&) { return kMsgNotSupported; }
MessageCode BlockReceive(ScaleEntry&) { return kMsgNotSupported; }

}  // namespace tolvan
