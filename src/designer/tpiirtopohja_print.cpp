// The designer's print commands: the network graph, the properties of the active
// modem and of all modems, on the printer that the main window shares; and the
// command that opens the property table.

#include "designer/graph_printout.h"
#include "designer/property_printout.h"
#include "designer/property_table.h"
#include "designer/shared_printer.h"
#include "designer/tarvotaulu.h"
#include "designer/tpiirtopohja.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "shell/main_window_services.h"

#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>

PropertyRowContext Tpiirtopohja::RowContext() const {
    return {SingleModem(), static_cast<char>('0' + securityLevel_), toLatin1(windowTitle())};
}

void Tpiirtopohja::Drawing1Click() {
    QPrinter* printer = SharedPrinter();
    if (!printer)
        return;
    scrollArea_->horizontalScrollBar()->setValue(0);
    scrollArea_->verticalScrollBar()->setValue(0);
    const GraphPrintOptions options{design_.zoom, MobileView(), design_.properties.name, font()};
    ReportPrinted(PrintNetworkGraph(*printer, design_, options));
}

void Tpiirtopohja::Properties1Click() {
    QPrinter* printer = SharedPrinter();
    // The properties of all modems of an empty design are nothing to print.
    if (!printer || design_.Figures().empty())
        return;
    // The conflict question lets the event loop run: the modems are walked as the
    // property table walks them.
    std::vector<std::vector<PropertyRow>> modems;
    for (ModemRowsOf& modem : RowsOfEveryModem(design_, RowsOfOneBuild(RowContext(), &design_)))
        modems.push_back(std::move(modem.rows));
    ReportPrinted(PrintAllModemProperties(*printer, modems, design_.properties.name, font()));
}

void Tpiirtopohja::Print2Click() {
    QPrinter* printer = SharedPrinter();
    if (!printer)
        return;
    if (!design_.active) {
        ShowMessage("Select modem first");
        return;
    }
    // The modem is read as each of all modems is: one deleted under a box of its
    // type file or the conflict question has no rows, and nothing is printed.
    const std::vector<PropertyRow> rows = RowsOfOneBuild(RowContext(), &design_)(*design_.active);
    if (!rows.empty())
        ReportPrinted(PrintModemProperties(*printer, rows, font()));
}

void Tpiirtopohja::Printproperties1Click() {
    Print2Click();
}

void Tpiirtopohja::PrintSetup1Click() {
    if (Pohjafrm)
        Pohjafrm->PrinterSetup();
}

void Tpiirtopohja::PropTable1Click() {
    ShowPropertyTable(this);
}
