#include "app/power_events.h"

#include "platform/device_broadcast.h"
#include "platform/portmap.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QSocketNotifier>
#include <filesystem>
#include <libudev.h>

namespace {
const char* const kLogin = "org.freedesktop.login1";
const char* const kLoginPath = "/org/freedesktop/login1";
const char* const kLoginManager = "org.freedesktop.login1.Manager";

// A linked port names its device through the link; the device manager names the
// device node itself.
std::string ResolvedDevice(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved.string();
}
} // namespace

PowerEventSource::PowerEventSource(QObject* target, QObject* parent) : QObject(parent), target_(target) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    active_ =
        bus.connect(kLogin, kLoginPath, kLoginManager, "PrepareForSleep", this, SLOT(PrepareForSleep(bool)));
    if (active_)
        TakeSleepDelay();
}

void PowerEventSource::PrepareForSleep(bool suspending) {
    PostMessage(target_, WM_POWERBROADCAST, suspending ? PBT_APMSUSPEND : PBT_APMRESUMESUSPEND);
    if (suspending)
        // Queued behind the message, so the ports are closed before sleep goes on.
        QMetaObject::invokeMethod(this, &PowerEventSource::ReleaseSleepDelay, Qt::QueuedConnection);
    else
        TakeSleepDelay();
}

void PowerEventSource::TakeSleepDelay() {
    QDBusMessage inhibit = QDBusMessage::createMethodCall(kLogin, kLoginPath, kLoginManager, "Inhibit");
    inhibit << QString("sleep") << QString("Quovix 5") << QString("Closing the terminals' serial ports")
            << QString("delay");
    const QDBusReply<QDBusUnixFileDescriptor> reply = QDBusConnection::systemBus().call(inhibit);
    if (reply.isValid())
        sleepDelay_ = reply.value();
}

void PowerEventSource::ReleaseSleepDelay() {
    sleepDelay_ = QDBusUnixFileDescriptor();
}

PortDevices CurrentPortDevices() {
    PortDevices ports;
    for (int number : PresentPortNumbers())
        ports[number] = ResolvedDevice(PortDevicePath(number));
    return ports;
}

std::vector<int> ComNumbersOfDevice(const PortDevices& ports, const std::string& deviceNode) {
    std::vector<int> numbers;
    for (const auto& [number, path] : ports)
        if (path == deviceNode)
            numbers.push_back(number);
    return numbers;
}

PortEventSource::PortEventSource(QObject* target, QObject* parent) : QObject(parent), target_(target) {
    udev_ = udev_new();
    if (udev_ == nullptr)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
        return;
    const int fd = udev_monitor_get_fd(monitor_);
    if (fd < 0)
        return;
    known_ = CurrentPortDevices();
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &PortEventSource::ReceiveDevice);
}

PortEventSource::~PortEventSource() {
    notifier_.reset();
    if (monitor_ != nullptr)
        udev_monitor_unref(monitor_);
    if (udev_ != nullptr)
        udev_unref(udev_);
}

void PortEventSource::ReceiveDevice() {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr)
        return;
    const char* action = udev_device_get_action(device);
    const char* node = udev_device_get_devnode(device);
    const std::string actionText = action ? action : "";
    const std::string deviceNode = node ? node : "";
    udev_device_unref(device);

    const PortDevices before = known_;
    known_ = CurrentPortDevices();
    if (deviceNode.empty())
        return;
    if (actionText == "remove")
        for (int number : ComNumbersOfDevice(before, deviceNode))
            PostDeviceChange(target_, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT,
                             "COM" + std::to_string(number));
    else if (actionText == "add")
        for (int number : ComNumbersOfDevice(known_, deviceNode))
            PostDeviceChange(target_, DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, "COM" + std::to_string(number));
}
