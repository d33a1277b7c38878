// Where a scan hands over to the default-PIN monitor.
#pragma once

// Starts the check of one token for a factory-default PIN.
void HandOffStartDefaultPinMonitor(const char* deviceName);
