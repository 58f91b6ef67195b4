#pragma once
// The system's power and device messages as the main window receives them:
// WM_POWERBROADCAST carries a power event code in wParam; WM_DEVICECHANGE carries
// a device event code in wParam and, in lParam, a pointer to a port device header
// that lives as long as the message. The program's sources of these events (the
// session manager's sleep signal, the device manager's tty monitor) and the
// tests post them the same way.

#include "platform/window_message.h"

#include <string>

enum : WPARAM {
    PBT_APMSUSPEND = 4,
    PBT_APMRESUMECRITICAL = 6,
    PBT_APMRESUMESUSPEND = 7,
};

enum : WPARAM {
    DBT_DEVICEARRIVAL = 0x8000,
    DBT_DEVICEREMOVEPENDING = 0x8003,
    DBT_DEVICEREMOVECOMPLETE = 0x8004,
};

enum : int { DBT_DEVTYP_PORT = 3 };

struct DEV_BROADCAST_PORT {
    int dbcp_devicetype = 0;
    std::string dbcp_name; // "COM7"
};

// The port header that a WM_DEVICECHANGE message points to, or null.
const DEV_BROADCAST_PORT* DeviceHeader(const WindowMessage& message);

// Posts WM_DEVICECHANGE with a header of the given device type and name.
bool PostDeviceChange(QObject* target, WPARAM event, int deviceType, const std::string& name);
