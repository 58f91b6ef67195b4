#include "designer/designer_nms.h"

#include "designer/designer_port_settings.h"
#include "designer/designer_programming.h"
#include "designer/tinfo.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/wait_clock.h"
#include "shell/main_window_services.h"

#include <QActionGroup>
#include <QMenu>
#include <QStringList>
#include <chrono>

namespace {
ReplaceableWaitClock nmsClock;
} // namespace

WaitClock& DesignerNmsClock() {
    return nmsClock.get();
}

void SetDesignerNmsClockForTests(WaitClock* clock) {
    nmsClock.Replace(clock);
}

DesignerNms::DesignerNms(Tpiirtopohja& designer) : designer_(designer) {}

void DesignerNms::Run(bool transmit, TKuvio& figure) {
    NetworkDesign& design = designer_.Design();
    NmsTransferJob job;
    job.figure = &figure;
    // Its status lines are those of an NMS modem to the end, whatever is active.
    designer_.Programming().run.ReportFor(figure);
    job.routingProject = !design.SingleModem();
    job.project = design.properties;
    job.master = design.master;
    for (const auto& figure : design.Figures())
        job.figures.push_back(figure.get());
    DesignerProgramming& programming = designer_.Programming();
    job.mobileRoutes = programming.MobileRoutesShown();
    job.generateRoutes = [&programming, &design] {
        programming.GenerateRoutes();
        return !design.routeProblem;
    };
    NmsTransfer transfer(designer_.PolledPort, *this, sequence_);
    transfer.SetTimeoutSeconds(designer_.PortSettings().timeout);
    const int port = designer_.PortSettings().portNumber;
    if (transmit)
        transfer.Transmit(port, job);
    else
        transfer.Receive(port, job);
    transferred_.Release();
}

void DesignerNms::ShowTransferStatus(const std::string& text, int mode) {
    designer_.Programming().run.ShowTransferStatus(text, mode);
}

void DesignerNms::AddStatusPair(const std::string& text) {
    if (info != nullptr)
        info->AddStatusPair(text);
}

void DesignerNms::ShowMessage(const std::string& text) {
    ::ShowMessage(text);
}

void DesignerNms::TransferStarts(TKuvio& figure) {
    transferred_.Hold(&designer_.Design(), &figure);
    if (Tominaisuus* window = designer_.PropertiesWindow())
        window->SetFigure(&designer_, &figure);
}

bool DesignerNms::ShowsTransferred() const {
    const Tominaisuus* window = designer_.PropertiesWindow();
    return window != nullptr && transferred_.get() != nullptr && window->Figure() == transferred_.get();
}

// The properties window numbers the figure's entries from 1.
void DesignerNms::MarkNmsWriteResult(size_t index, const PropertyEntry& entry, int result) {
    if (ShowsTransferred())
        designer_.PropertiesWindow()->MarkNmsWriteResult(result, static_cast<int>(index + 1), entry.value,
                                                         entry.tag);
}

void DesignerNms::RefreshPropertyForm() {
    if (ShowsTransferred())
        designer_.PropertiesWindow()->RefreshPropertyForm();
}

void DesignerNms::ValuesReceived(TKuvio& figure) {
    designer_.Programming().DesignChanged(true);
    designer_.Programming().ShowModemProperties(figure);
}

// The transfer holds the GUI thread as the modem's dialogue needs; the status
// window is repainted with each line.
void DesignerNms::Pause(int ms) {
    DesignerNmsClock().Sleep(std::chrono::milliseconds(ms));
}

void BuildPortMenu(QMenu& menu, int currentPort) {
    menu.clear();
    auto* group = new QActionGroup(&menu);
    const std::string ports = Pohjafrm != nullptr ? Pohjafrm->ListSerialPorts() : std::string();
    for (const QString& name : fromLatin1(ports).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool numbered = false;
        const int number = name.mid(3).toInt(&numbered);
        QAction* item = menu.addAction(QStringLiteral("Serialport ") + name);
        item->setCheckable(true);
        item->setActionGroup(group);
        item->setData(numbered ? number : 0);
        item->setChecked(numbered && number == currentPort);
    }
}
