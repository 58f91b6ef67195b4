#pragma once
// The Linux sources of the power and port events that the main window follows.
// Suspend and resume come from the session manager's PrepareForSleep signal on
// the system bus and are posted to the target as WM_POWERBROADCAST; serial
// devices that come and go are seen by a device-manager monitor of the tty
// subsystem, mapped to COM numbers through the port map and posted as
// WM_DEVICECHANGE. Without a system bus or a device manager (a container, a
// build machine) a source stays idle and the program runs without it.

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct udev;
struct udev_monitor;

class PowerEventSource : public QObject {
    Q_OBJECT
public:
    explicit PowerEventSource(QObject* target, QObject* parent = nullptr);
    // True when the session manager's signal is connected.
    bool active() const { return active_; }

private slots:
    void PrepareForSleep(bool suspending);
    void ReleaseSleepDelay();

private:
    void TakeSleepDelay();

    QPointer<QObject> target_;
    bool active_ = false;
    // Held while awake, so that the machine waits for the ports to be closed
    // before it sleeps.
    QDBusUnixFileDescriptor sleepDelay_;
};

// COM number -> device node, as the port map gives it now (links resolved, so
// that a device that is gone is still found by its node).
using PortDevices = std::map<int, std::string>;
PortDevices CurrentPortDevices();

// The COM numbers whose device is the given device node.
std::vector<int> ComNumbersOfDevice(const PortDevices& ports, const std::string& deviceNode);

class PortEventSource : public QObject {
    Q_OBJECT
public:
    explicit PortEventSource(QObject* target, QObject* parent = nullptr);
    ~PortEventSource() override;
    // True when the device manager's monitor runs.
    bool active() const { return notifier_ != nullptr; }

private:
    void ReceiveDevice();

    QPointer<QObject> target_;
    struct udev* udev_ = nullptr;
    struct udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    // The map as it was before the last event: a removed device is found in it.
    PortDevices known_;
};
