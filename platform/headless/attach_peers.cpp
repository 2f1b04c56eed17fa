#include "platform/backend.h"

namespace platform {

void AttachPeers(Form&) {}

}  // namespace platform
