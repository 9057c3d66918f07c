#include "Probes.h"

namespace TestSupport {

DWORD probeTickCount() { return GetTickCount(); }
BOOL probeBeep() { return Beep(440, 1); }

} // namespace TestSupport
