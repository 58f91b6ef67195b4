#include "designer/shared_printer.h"

#include "platform/message_box.h"
#include "shell/main_window_services.h"

#include <QPainter>
#include <QPrinter>

QPrinter* SharedPrinter() {
    return Pohjafrm ? Pohjafrm->Printer() : nullptr;
}

bool BeginPrinting(QPainter& painter, QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty())
        return false;
    return painter.begin(&printer);
}

void ReportPrinted(bool printed) {
    if (!printed)
        MessageBox("Printer selected is not valid", "Error", MB_OK | MB_ICONERROR);
}
