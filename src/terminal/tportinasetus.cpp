#include "terminal/tportinasetus.h"

#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "shell/main_window_services.h"
#include "shell/serial_port_list.h"
#include "shell/window_placement.h"

#include <QTimer>

Tportinasetus* portinasetus = nullptr;

namespace {
const char* const kFactoryBaudRates[] = {"128000", "230400", "256000", "460800", "921600"};
constexpr int kMsPerSecond = 1000;

// Chooses a position, or the default when the value is outside the list (a
// hand-edited settings file).
void SetPosition(TRadioGroup* group, int position, int defaultPosition) {
    group->setItemIndex(position >= 0 && position < group->count() ? position : defaultPosition);
}

std::string PortList() {
    return Pohjafrm != nullptr ? Pohjafrm->ListSerialPorts() : ReadSerialPortList();
}
} // namespace

Tportinasetus::Tportinasetus(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    if (Pohjafrm != nullptr && Pohjafrm->FactoryMode())
        for (const char* rate : kFactoryBaudRates)
            nopeus->addItem(rate);
    SetTarget({});
    connect(OK, &QPushButton::clicked, this, &Tportinasetus::OKClick);
    connect(Peruuta, &QPushButton::clicked, this, &Tportinasetus::PeruutaClick);
    connect(nopeus, &TRadioGroup::itemClicked, this, &Tportinasetus::nopeusClick);
    connect(databits, &TRadioGroup::itemClicked, this, &Tportinasetus::databitsClick);
    connect(parity, &TRadioGroup::itemClicked, this, &Tportinasetus::parityClick);
    connect(stopbits, &TRadioGroup::itemClicked, this, &Tportinasetus::stopbitsClick);
    connect(kattely, &TRadioGroup::itemClicked, this, &Tportinasetus::kattelyClick);
    connect(timestamp, &QCheckBox::clicked, this, &Tportinasetus::timestampClick);
    portinasetus = this;
}

Tportinasetus::~Tportinasetus() {
    if (portinasetus == this)
        portinasetus = nullptr;
}

// Without a terminal's settings the dialog works on settings of its own, so it
// never writes through a missing target.
void Tportinasetus::SetTarget(PortDialogTarget target) {
    target_ = std::move(target);
    if (target_.line == nullptr)
        target_.line = &ownLine_;
    if (target_.options == nullptr)
        target_.options = &ownOptions_;
}

std::set<int> Tportinasetus::PortsInUse() const {
    std::set<int> ports;
    for (const auto& [holder, port] : inUse_)
        ports.insert(port);
    return ports;
}

void Tportinasetus::RemovePortInUse(const LineSettings* holder) {
    inUse_.erase(holder);
}

// The dialog is filled before it appears: controls made then (the port list's
// buttons) show with it, so its size is whole when it is placed. Made once it
// shows, they would appear a moment later and grow it past the place it was given.
void Tportinasetus::setVisible(bool visible) {
    if (visible && !isVisible())
        FormShow();
    QDialog::setVisible(visible);
}

void Tportinasetus::showEvent(QShowEvent* event) {
    PlaceOnScreen();
    QDialog::showEvent(event);
}

// The port list changes the dialog's size, so it is placed once the list is in.
void Tportinasetus::PlaceOnScreen() {
    if (!place_)
        return;
    adjustSize();
    PlaceWindowOnScreen(*this, *place_, parentWidget() != nullptr ? *parentWidget() : *this);
    place_.reset();
}

void Tportinasetus::FormShow() {
    entries_ = PortEntries(PortList());
    QStringList items;
    for (const std::string& entry : entries_)
        items.append(fromLatin1(entry));
    portinnro->setItems(items);

    if (!new_terminal) {
        const int interval = target_.packetTimer != nullptr ? target_.packetTimer->interval() : 0;
        PortDialogValues values = ValuesFromTerminal(*target_.line, *target_.options, interval);
        values.portPosition = PositionOfPort(entries_, target_.line->portNumber);
        if (target_.packetTimer != nullptr)
            target_.packetTimer->stop();
        ShowValues(values);
        counter_color->setChecked(values.counterColour);
        return;
    }
    PortDialogValues values = ReadTerminalPortSection(TIniFile(SettingsFileName()));
    if (!inUse_.empty())
        values.portPosition = FirstFreePosition(entries_, PortsInUse(), portinnro->itemIndex());
    ShowValues(values);
}

void Tportinasetus::ShowValues(const PortDialogValues& values) {
    const PortDialogValues defaults;
    SetPosition(portinnro, values.portPosition, defaults.portPosition);
    SetPosition(nopeus, values.baudPosition, defaults.baudPosition);
    SetPosition(databits, values.dataBitsPosition, defaults.dataBitsPosition);
    SetPosition(parity, values.parityPosition, defaults.parityPosition);
    SetPosition(stopbits, values.stopBitsPosition, defaults.stopBitsPosition);
    SetPosition(kattely, values.handshakePosition, defaults.handshakePosition);
    SetPosition(nayta, values.viewPosition, defaults.viewPosition);
    localecho->setChecked(values.localEcho);
    mirror->setChecked(values.mirror);
    rivi->setChecked(values.crLf);
    timestamp->setChecked(values.timeStamp);
    linestart->setChecked(values.lineStart);
    linestart->setEnabled(values.timeStamp);
    aikavali->setValue(values.packetIntervalSeconds);
    ScrollBack->setValue(values.scrollBackKb);
}

PortDialogValues Tportinasetus::ControlValues() const {
    PortDialogValues values;
    values.portPosition = portinnro->itemIndex();
    values.baudPosition = nopeus->itemIndex();
    values.dataBitsPosition = databits->itemIndex();
    values.parityPosition = parity->itemIndex();
    values.stopBitsPosition = stopbits->itemIndex();
    values.handshakePosition = kattely->itemIndex();
    values.localEcho = localecho->isChecked();
    values.mirror = mirror->isChecked();
    values.crLf = rivi->isChecked();
    values.timeStamp = timestamp->isChecked();
    values.packetIntervalSeconds = aikavali->value();
    values.packetTimerEnabled = values.packetIntervalSeconds != 0;
    values.viewPosition = nayta->itemIndex();
    values.scrollBackKb = ScrollBack->value();
    values.lineStart = linestart->isChecked();
    values.counterColour = counter_color->isChecked();
    return values;
}

void Tportinasetus::ApplyLineNow() {
    if (target_.applyLine)
        target_.applyLine(*target_.line);
}

void Tportinasetus::OKClick() {
    const PortDialogValues values = ControlValues();
    const int position = values.portPosition;
    const int portIndex = position >= 0 && position < static_cast<int>(entries_.size())
                              ? PortIndexOfEntry(entries_[static_cast<size_t>(position)])
                              : target_.line->portNumber;
    // A move is a port other than the terminal's: one whose port is gone from the
    // list is shown on the first entry, and OK there moves it too.
    const bool moved = !new_terminal && portIndex != target_.line->portNumber;
    if (new_terminal || moved)
        target_.line->portNumber = portIndex;
    if (moved && target_.reopenPort)
        target_.reopenPort();
    // The terminal's port takes the place of the one it had: a port it left, or
    // one that would not open, is free for the next new terminal.
    inUse_[target_.line] = portIndex;

    ApplyLineValues(values, *target_.line, *target_.options);
    ApplyLineNow();
    ApplyOptionValues(values, *target_.options);
    if (target_.packetTimer != nullptr) {
        target_.packetTimer->setInterval(values.packetIntervalSeconds * kMsPerSecond);
        if (values.packetTimerEnabled)
            target_.packetTimer->start();
        else
            target_.packetTimer->stop();
    }
    if (new_terminal && target_.openQuietly)
        target_.openQuietly();

    try {
        TIniFile ini(SettingsFileName());
        WriteTerminalPortSection(ini, values);
    } catch (const EIniFileException&) {
        ShowMessage("Unable to write ini file. Access denied");
    }
    accept();
}

void Tportinasetus::PeruutaClick() {
    reject();
}

void Tportinasetus::nopeusClick() {
    target_.line->baudRate = nopeus->itemIndex();
    ApplyLineNow();
}

void Tportinasetus::databitsClick() {
    target_.line->dataBits = DataBitsOrdinal(databits->itemIndex());
    ApplyLineNow();
}

void Tportinasetus::parityClick() {
    target_.line->parity = parity->itemIndex();
    ApplyLineNow();
}

void Tportinasetus::stopbitsClick() {
    target_.line->stopBits = StopBitsOrdinal(stopbits->itemIndex());
    ApplyLineNow();
}

void Tportinasetus::kattelyClick() {
    // "5QV/6QV" changes nothing until OK.
    ApplyHandshake(kattely->itemIndex(), *target_.line);
    ApplyLineNow();
}

void Tportinasetus::timestampClick() {
    linestart->setEnabled(timestamp->isChecked());
}
