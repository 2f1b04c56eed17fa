// The one seam between the control model and a windowing system: after a form is built,
// the backend linked into this build gives it and its controls their native peers.
#pragma once

namespace platform {

class Form;

// Headless builds attach peers that count changes (platform/headless.h).
void AttachPeers(Form& form);

}  // namespace platform
