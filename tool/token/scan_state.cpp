#include "scan_state.h"

namespace {

// Made before WinMain and ended after it, with no guard around its making: the 32-bit programs
// carry no thread-safe static initialisation (it would bring the runtime's exception support).
ScanState g_scanState;

} // namespace

ScanState& TheScanState() {
    return g_scanState;
}
