#pragma once
// What the main window's services need of a terminal window besides its port:
// mirroring, clearing, logging, the script-set panel and its keys in the saved
// window layout. The terminal window implements it; the main window finds its
// terminals among its MDI children through it.

#include "shell/handover_terminal.h"

#include <string>
#include <string_view>

class QWidget;
class TIniFile;

class TerminalWindowLink : public HandoverTerminal {
public:
    // The terminal's window, as it sits in the main window's MDI area.
    virtual QWidget* terminalWindow() = 0;
    // The "Mirror" option.
    virtual bool mirrors() const = 0;
    // A key typed on a mirroring terminal, as if typed here (WM_CHAR to the
    // screen).
    virtual void typeMirroredKey(char key) = 0;
    // Data sent by a mirroring terminal, queued here with mirroring off so that it
    // goes no further.
    virtual void sendMirroredData(std::string_view data) = 0;
    // The "Clear" command: screen, counters and line-error panel.
    virtual void clearScreen() = 0;
    virtual void startSlicedLog(const std::string& fileName, int sliceSizeMb) = 0;
    virtual void stopLogging() = 0;
    // Status panel 2: "Script Set: " and the set's name.
    virtual void showScriptSetName(const std::string& name) = 0;
    // The terminal's own keys in its section of the window layout.
    virtual void saveTerminalSettings(TIniFile& ini, const std::string& section) = 0;
    virtual void loadTerminalSettings(const TIniFile& ini, const std::string& section) = 0;
};
