#include "scan_state.h"

ScanState& TheScanState() {
    static ScanState state;
    return state;
}
