#include "designer/shared_printer.h"

#include "platform/message_box.h"
#include "shell/main_window_services.h"

QPrinter* SharedPrinter() {
    return Pohjafrm ? Pohjafrm->Printer() : nullptr;
}

void ReportPrinted(bool printed) {
    if (!printed)
        MessageBox("Printer selected is not valid", "Error", MB_OK | MB_ICONERROR);
}
