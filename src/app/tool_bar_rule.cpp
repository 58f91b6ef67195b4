#include "app/tool_bar_rule.h"

std::map<MainCommand, bool> EnabledCommands(const OpenWindows& open) {
    const bool firmware = open.singleFlash || open.multiFlash;
    // A designer and the single firmware window keep the other windows out
    // while they are open.
    const bool otherWindows = !open.designer && !open.singleFlash;
    // Routing, single-modem set-up and the single firmware load want the ports
    // to themselves.
    const bool portWindows = otherWindows && !open.multiFlash && open.terminals == 0;
    const bool terminalActive = open.active == ChildKind::Terminal;
    const bool allTerminals = open.terminals > 0 && !firmware;
    return {
        {MainCommand::OpenBtn, otherWindows},
        {MainCommand::DrawingBtn, portWindows},
        {MainCommand::SingleModemBtn, portWindows},
        {MainCommand::FlashBtn, portWindows},
        {MainCommand::FlashmBtn, otherWindows},
        {MainCommand::Flashm2Btn, otherWindows},
        {MainCommand::Flashm3Btn, otherWindows},
        {MainCommand::Flashm4Btn, otherWindows},
        {MainCommand::SetupBtn, terminalActive},
        {MainCommand::ProgramBtn, terminalActive},
        {MainCommand::CopyBtn, !open.singleModemDesigner},
        {MainCommand::PasteBtn, !open.singleModemDesigner},
        {MainCommand::TermOpenCloseAll, allTerminals},
        {MainCommand::SpeedButton2, allTerminals},
        {MainCommand::StartLog, allTerminals},
        {MainCommand::logsize_lbl, !firmware},
        {MainCommand::logsize_nbr, !firmware},
    };
}
