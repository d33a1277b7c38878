// The fault campaign's events axis: at every point where a path waits (a dialog, a box, a wait
// for the lock bracket), something else happens to Keystead; then what it did is judged from
// outside.
#pragma once

#include <string>
#include <vector>

namespace fault_campaign {

enum class WaitPoint {
    kChangePinDialog,
    kChangePinLock,
    kChangePinBox,
    kBindingLock,
    kBindingPinDialog,
    kBindingSerialDialog,
    kBindingBox,
    kRegisterBox,
    kUnregisterBox,
    kSystemInfoBox,
    kQuitBox,
    kDefaultPinPrompt,
    kDefaultPinBox,
    kSelectionLock,
    kScanLock,
    kScanServing,
    kRemovalBox,
};

enum class Event {
    kMenuRefresh,
    kRefreshButton,
    kNewTokenFirst,
    kPullChosen,
    kPullOther,
    kClose,
    kEndRequest,
    kSecondClicks,
    kShowRequest,
};

struct EventCell {
    WaitPoint point;
    Event event;
};

const char* PointName(WaitPoint point);
const char* EventName(Event event);
std::vector<EventCell> EventMatrix();
// A fixed few, every event and the kinds of wait among them, for the test run.
std::vector<EventCell> EventSample();

// Runs the cells and prints one line a cell and the summary; 0 when every cell passed.
int RunEventAxis(const std::vector<EventCell>& cells, const std::string& tracePath);

} // namespace fault_campaign
