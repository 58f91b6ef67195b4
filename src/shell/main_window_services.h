#pragma once
// What the windows of the program (terminals, designers, firmware windows) need of
// the main window. The main window implements it; the windows reach it only through
// the global Pohjafrm below, so they never depend on the main window's own code, and
// their tests run against a stand-in.

#include <string>
#include <string_view>

class QMdiArea;
class QPrinter;
class QWidget;
class TerminalWindowLink;

// The stored loader path while no loader has been chosen.
constexpr const char* kNoLoaderPath = "qq";

class MainWindowServices {
public:
    virtual ~MainWindowServices() = default;

    // The main window itself: owner of dialogs, target of posted messages, its
    // position and caption.
    virtual QWidget* Window() = 0;
    // The MDI area in which the windows open as children.
    virtual QMdiArea* MdiArea() = 0;

    // Modes set from the command line at start-up.
    virtual bool FactoryMode() const = 0;
    virtual bool DsrMode() const = 0;
    virtual bool BootFlashMode() const = 0;
    // "5.2.1" and the like, as the About box shows it.
    virtual std::string VersionText() const = 0;

    // The terminal table, its Window-menu entries and mirroring between terminals.
    virtual void AddWindowMenuEntry(TerminalWindowLink* terminal, const std::string& caption) = 0;
    virtual void RemoveWindowMenuEntry(TerminalWindowLink* terminal, const std::string& caption) = 0;
    virtual void RenameWindowMenuEntry(const std::string& oldCaption, const std::string& newCaption) = 0;
    virtual void BroadcastKeyToTerminals(TerminalWindowLink* sender, char key) = 0;
    virtual void BroadcastDataToTerminals(TerminalWindowLink* sender, std::string_view data) = 0;
    // A terminal closing tells how many others stay open.
    virtual void SetOpenTerminalCount(int count) = 0;
    // The slice size of "Start Log" in megabytes (the tool bar's log-size box).
    virtual int LogSliceSizeMb() const = 0;

    // The computer's COM port names, comma separated and sorted.
    virtual std::string ListSerialPorts() = 0;
    // Port hand-over (COM numbers, 1 = COM1): terminals on the port close it and
    // grey their screens, and reopen it afterwards.
    virtual void ReleaseTerminalPort(int comNumber) = 0;
    virtual void RestoreTerminalPort(int comNumber) = 0;

    // The printer shared by all windows, and its set-up dialog (true when accepted).
    virtual QPrinter* Printer() = 0;
    virtual bool PrinterSetup() = 0;
    // The zoom percentage shown in the main window's tool bar.
    virtual void ShowZoomScale(const std::string& percent) = 0;

    // The stored loader path (kNoLoaderPath when none), kept by the main window.
    virtual std::string LoaderPath() const = 0;
    virtual void SetLoaderPath(const std::string& path) = 0;

    // Ends the program as closing the main window does (end of a remote-use run).
    virtual void CloseMainWindow() = 0;
    // The status the program ends with: 0 unless a remote-use run failed.
    virtual void SetExitStatus(int status) = 0;

    // Opens multiple firmware window 1 to 4, or brings it to the front when it is
    // open; 0 opens the terminal's variant, which takes the place of window 1.
    virtual void OpenMultiFlashWindow(int instance) = 0;
    // Opens a terminal window, as the main window's own command does.
    virtual void OpenTerminalWindow() = 0;
};

// The one main window, as the other windows reach it; null before it exists.
extern MainWindowServices* Pohjafrm;
