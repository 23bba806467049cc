// Platform services for a build without a window system: controls hold their values only.
#include "Forms.h"
#include "Platform.h"

namespace kestrilon::framework::platform {

std::unique_ptr<ControlPeer> CreateWindowPeer(TWinControl& /*control*/) { return nullptr; }

FrameSize FormFrameSize(const TCustomForm& /*form*/) { return {}; }

int FormPixelsPerInch(const TCustomForm& /*form*/) { return 96; }

bool CloseMainForm(TCustomForm& /*form*/) { return false; }

void HandleException(TObject& /*sender*/) { throw; }

}  // namespace kestrilon::framework::platform
