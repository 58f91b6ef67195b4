#pragma once
// The designer's side of the NMS transfer: "Transmit values" and "Receive values"
// of a figure that supports NMS run the transfer through the designer's polled
// port, write its progress into the status window, show each value's result in
// the properties window, and fill the "Port number" submenu.

#include "designer/held_figure.h"
#include "designer/nms_transfer.h"

#include <cstdint>

class QMenu;
class Tpiirtopohja;

class DesignerNms : public NmsTransferView {
public:
    explicit DesignerNms(Tpiirtopohja& designer);

    // The transfer of the figure; true transmits, false receives.
    void Run(bool transmit, TKuvio& figure);

    void ShowTransferStatus(const std::string& text, int mode) override;
    void AddStatusPair(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void TransferStarts(TKuvio& figure) override;
    void MarkNmsWriteResult(size_t index, const PropertyEntry& entry, int result) override;
    void RefreshPropertyForm() override;
    void ValuesReceived(TKuvio& figure) override;
    void Pause(int ms) override;

private:
    // The designer's properties window shows a result only while it shows the
    // modem transferred: under a box of the transfer it may be given another
    // modem, or lose this one.
    bool ShowsTransferred() const;

    Tpiirtopohja& designer_;
    HeldFigure transferred_;
    // Counts on from transfer to transfer.
    uint8_t sequence_ = 0;
};

// Fills the "Port number" submenu: one radio item "Serialport COMn" per port the
// main window lists, tagged with its number, the current one ticked.
void BuildPortMenu(QMenu& menu, int currentPort);
