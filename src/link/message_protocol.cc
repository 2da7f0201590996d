#include "link/message_protocol.h"

namespace tolvan {

// The message protocol is not built yet: say so rather than pretend.
MessageCode MessageSend(ScaleEntry&) { return kMsgNotSupported; }
MessageCode MessageReceive(ScaleEntry&) { return kMsgNotSupported; }

}  // namespace tolvan
