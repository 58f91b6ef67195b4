#include "platform/device_broadcast.h"

namespace {
// The header is a base of the message, built before the message itself, so that
// the message's lParam can point to it for the message's whole life.
struct HeaderHolder {
    DEV_BROADCAST_PORT header;
};

class DeviceChangeMessage : private HeaderHolder, public WindowMessage {
public:
    DeviceChangeMessage(WPARAM event, DEV_BROADCAST_PORT portHeader)
        : HeaderHolder{std::move(portHeader)},
          WindowMessage(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&header)) {}
};
} // namespace

const DEV_BROADCAST_PORT* DeviceHeader(const WindowMessage& message) {
    if (message.number() != WM_DEVICECHANGE || dynamic_cast<const DeviceChangeMessage*>(&message) == nullptr)
        return nullptr;
    return reinterpret_cast<const DEV_BROADCAST_PORT*>(message.lParam());
}

bool PostDeviceChange(QObject* target, WPARAM event, int deviceType, const std::string& name) {
    return target != nullptr && PostWindowMessage(target, new DeviceChangeMessage(event, {deviceType, name}));
}
