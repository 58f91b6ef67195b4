#pragma once
// The main window: an MDI frame in which terminals, designers and firmware
// windows open as child windows. Its menus, tool bar and status bar come from its
// form (tpohjafrm.ui). The other windows reach it through MainWindowServices and
// the global Pohjafrm; the controls and state below are public for the main
// window's own helpers and tests.

#include "app/command_line.h"
#include "app/tool_bar_rule.h"
#include "shell/main_window_services.h"
#include "shell/window_placement.h"
#include "ui_tpohjafrm.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QFileDialog;
class QLabel;
class QMenu;
class QPrinter;
class QSpinBox;
class HandoverClock;
class QMdiSubWindow;
class TIniFile;
class TerminalWindowLink;
class TCMultiFlashDlg;
class TCSingleFlashDlg;
class Tterminaali;
class WindowMessage;
struct SavedWindow;
struct WindowRect;

class TPohjafrm : public QMainWindow, public Ui::TPohjafrm, public MainWindowServices {
    Q_OBJECT
public:
    // Reads the program's own command line.
    explicit TPohjafrm(QWidget* parent = nullptr);
    // commandLine[0] is the program name, as in argv.
    explicit TPohjafrm(const std::vector<std::string>& commandLine, QWidget* parent = nullptr);
    ~TPohjafrm() override;

    QMdiArea* mdiArea() const { return mdiClient; }
    // The MDI child that is active, or was last while the program is in the
    // background, when it is a Window; otherwise null.
    template <class Window> Window* ActiveChild() const;

    // State that the other windows read.
    std::string loader_path = kNoLoaderPath; // last file of "Loader to hex"
    std::array<TerminalWindowLink*, 10> terminal_table{};
    bool factory_mode = false;
    bool dsr_mode = false;
    bool bootflash_mode = false;
    std::string version_text;
    std::string com_list;
    int32_t open_terminals = 0;
    // State of TermOpenCloseAll: 0 while it closes all ports, 1 while it opens them.
    int Tag = 0;

    // Tool-bar controls that are no actions, and the form's other components.
    QLabel* TehdasLabel1 = nullptr;
    QLabel* logsize_lbl = nullptr;
    QSpinBox* logsize_nbr = nullptr;
    QLabel* Zoom_scale = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QFileDialog* SaveLog = nullptr;
    // The printer shared by the terminals and the designers, as set up last.
    QPrinter* printer() const { return printer_.get(); }

    // The computer's COM port names, comma separated and sorted; kept in com_list.
    std::string ListSerialPorts() override;

    // The services the other windows use.
    QWidget* Window() override { return this; }
    QMdiArea* MdiArea() override { return mdiClient; }
    bool FactoryMode() const override { return factory_mode; }
    bool DsrMode() const override { return dsr_mode; }
    bool BootFlashMode() const override { return bootflash_mode; }
    std::string VersionText() const override { return version_text; }
    void SetCommandEnabled(MainCommand command, bool enabled);
    void SetOpenTerminalCount(int count) override { open_terminals = count; }
    int LogSliceSizeMb() const override;
    QPrinter* Printer() override { return printer(); }
    bool PrinterSetup() override { return SpeedButton1Click(); }
    void ShowZoomScale(const std::string& percent) override;
    std::string LoaderPath() const override { return loader_path; }
    void SetLoaderPath(const std::string& path) override { loader_path = path; }
    void CloseMainWindow() override { close(); }
    void SetExitStatus(int status) override { exitStatus_ = status; }
    void OpenMultiFlashWindow(int instance) override;
    void OpenTerminalWindow() override { Uusi1Click(); }
    // The program's exit status: not 0 after a failed remote-use load.
    int ExitStatus() const { return exitStatus_; }
    // The single firmware window while it is open.
    QPointer<TCSingleFlashDlg> CSingleFlashDlg;
    // Multiple firmware windows 1 to 4 while they are open.
    std::array<QPointer<TCMultiFlashDlg>, 4> CMultiFlashDlg;

    // Menu and tool-bar commands.
    void Tiedosto1Click();
    void Uusi1Click();
    void Piirtopohja1Click(QObject* Sender);
    void Singlemodem1Click();
    void Flashyksi1Click();
    void Flashmonta1Click();
    void Flashmonta2Click();
    void Flashmonta3Click();
    void Flashmonta4Click();
    void makesmf1Click();
    void loadermnuClick();
    void LaskuClick();
    void Lopeta1Click();
    void Redraw1Click();
    void Tietoja1Click();
    void PopupMenu1Popup();
    void SetupBtnClick();
    void ProgramBtnClick();
    void CopyBtnClick();
    void PasteBtnClick();
    void PrintBtnClick();
    // Runs the printer set-up dialog on the shared printer; true when accepted.
    bool SpeedButton1Click();
    void MarkTerminalActive();
    void MarkTerminalInactive();
    // The terminal that is the active child window, if one is.
    Tterminaali* ActiveTerminal() const;
    // Enables or disables a command.
    void SetCommandEnabled(QAction* command, bool enabled);

    // The terminal table and the Window-menu entries of the terminals.
    void AddWindowMenuEntry(TerminalWindowLink* terminal, const std::string& caption) override;
    // Removes the terminal's own entry, found by the terminal rather than by its
    // caption, which two terminals may share.
    void RemoveWindowMenuEntry(TerminalWindowLink* terminal, const std::string& caption) override;
    void RenameWindowMenuEntry(const std::string& oldCaption, const std::string& newCaption) override;
    void ActivateFromWindowMenu(QAction* item);
    // Mirroring between the terminals whose "Mirror" option is on.
    void BroadcastKeyToTerminals(TerminalWindowLink* sender, char key) override;
    void BroadcastDataToTerminals(TerminalWindowLink* sender, std::string_view data) override;
    void ShowScriptSetName(const std::string& name);

    // Commands on all terminals.
    void TermOpenCloseAllClick();
    void SetOpenCloseAllCaption(int flag);
    void SpeedButton2Click();
    void StartLogClick();
    void StartLogAllTerminals(const std::string& baseName, int splitSize);
    void StopLogAllTerminals();
    // Handler of WM_TERMINALS_CHANGED: recounts the terminals and sets the buttons.
    void UpdateTerminalButtons();
    // Enables the tool-bar commands that the open windows and the active one
    // allow; run at every activation of a child window and when one goes.
    void UpdateToolBarButtons();

    // Port hand-over (COM numbers, 1 = COM1) and the power and port events.
    void ReleaseTerminalPort(int comNumber) override;
    void RestoreTerminalPort(int comNumber) override;
    void CloseAllTerminalPorts();
    void ReopenAllTerminalPorts(bool retry);
    void OnPowerBroadcast(const WindowMessage& message);
    void OnDeviceChange(const WindowMessage& message);
    // The waits of hand-over and of UpdateTerminalButtons; tests give a clock that
    // counts instead of sleeping.
    void SetHandoverClock(std::unique_ptr<HandoverClock> clock);

    // Window layout: written at close, restored from WM_RESTORE_LAYOUT.
    void SaveWindowLayout(const std::string& path);
    void RestoreWindowLayout();
    // Creates a terminal without its settings dialog, as the layout restores it.
    std::function<TerminalWindowLink*()> CreateLayoutTerminal;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateToolBarWidgets();
    void CreateOtherComponents();
    void ConnectCommands();
    void SetToolBarWidgetVisible(QWidget* widget, bool visible);
    void TileChildren(TileOrientation orientation);
    void CascadeChildren();

    void FormCreate(const std::vector<std::string>& commandLine);
    void ApplyStartPosition();
    void ApplyCommandLine(const CommandLineModes& modes);
    bool Dispatch(const WindowMessage& message);
    void StartRemoteMultiFlash();
    bool AllChildrenAgreeToClose();
    void FormClose();
    void WriteOwnSettings();

    // The MDI children, most recently active first, and the terminals among them.
    QList<QMdiSubWindow*> ChildrenInActivationOrder() const;
    std::vector<TerminalWindowLink*> TerminalChildren() const;
    QMdiSubWindow* ChildHolding(QWidget* window) const;
    void PlaceChild(QMdiSubWindow* child, const WindowRect& place);
    void OpenAndPlace(const std::function<void()>& command, const WindowRect& place);
    void RestoreSavedWindow(const TIniFile& ini, const SavedWindow& saved);
    void SetHint(QAction* action, const char* hint);

    void SpeedPanelMouseDown(QMouseEvent* event);
    void FormMouseUp(QMouseEvent* event);
    // What the copy and paste buttons do with a designer active.
    void DesignerCopyMode();

    CommandLineModes modes_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<HandoverClock> handoverClock_;
    int exitStatus_ = 0;
    int remoteStartPolls_ = 0;
    bool recountQueued_ = false;
};

template <class Window> Window* TPohjafrm::ActiveChild() const {
    const QMdiSubWindow* child = mdiClient->currentSubWindow();
    return child != nullptr ? qobject_cast<Window*>(child->widget()) : nullptr;
}
