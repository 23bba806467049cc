// Not yet written: until the Win32 windows are in, a Windows build behaves like the headless one
// (controls hold their values, no windows).
#include "Forms.h"
#include "Platform.h"

namespace kestrilon::framework::platform {
std::unique_ptr<ControlPeer> CreateWindowPeer(TWinControl&) { return nullptr; }
FrameSize FormFrameSize(const TCustomForm&) { return {}; }
bool CloseMainForm(TCustomForm&) { return false; }
void HandleException(TObject&) { throw; }
}  // namespace kestrilon::framework::platform
