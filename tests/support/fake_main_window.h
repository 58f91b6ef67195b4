#pragma once
// A stand-in for the main window in tests of the windows: an MDI frame that
// implements the main window's services and records what the windows ask of it.
// While it lives it is the program's Pohjafrm.

#include "shell/main_window_services.h"

#include <QMainWindow>
#include <string>
#include <vector>

class QMdiArea;
class QPrinter;

class FakeMainWindow : public QMainWindow, public MainWindowServices {
public:
    FakeMainWindow();
    ~FakeMainWindow() override;

    QWidget* Window() override { return this; }
    QMdiArea* MdiArea() override { return mdiArea_; }
    bool FactoryMode() const override { return factory_mode; }
    bool DsrMode() const override { return dsr_mode; }
    bool BootFlashMode() const override { return bootflash_mode; }
    std::string VersionText() const override { return "5.2.1"; }
    void AddWindowMenuEntry(TerminalWindowLink* terminal, const std::string& caption) override;
    void RemoveWindowMenuEntry(TerminalWindowLink* terminal, const std::string& caption) override;
    void RenameWindowMenuEntry(const std::string& oldCaption, const std::string& newCaption) override;
    void BroadcastKeyToTerminals(TerminalWindowLink*, char) override {}
    void BroadcastDataToTerminals(TerminalWindowLink*, std::string_view) override {}
    void SetOpenTerminalCount(int count) override { open_terminals = count; }
    int LogSliceSizeMb() const override { return log_slice_mb; }
    std::string ListSerialPorts() override { return com_list; }
    void ReleaseTerminalPort(int comNumber) override { released.push_back(comNumber); }
    void RestoreTerminalPort(int comNumber) override { restored.push_back(comNumber); }
    QPrinter* Printer() override;
    bool PrinterSetup() override { return false; }
    void ShowZoomScale(const std::string& percent) override { zoom_scale = percent; }
    std::string LoaderPath() const override { return loader_path; }
    void SetLoaderPath(const std::string& path) override { loader_path = path; }
    void CloseMainWindow() override { ++close_requests; }
    void SetExitStatus(int status) override { exit_status = status; }
    void OpenMultiFlashWindow(int instance) override { multi_flash_opened.push_back(instance); }
    void OpenTerminalWindow() override { ++terminals_opened; }

    // What the windows set and what the test sets for them.
    bool factory_mode = false;
    bool dsr_mode = false;
    bool bootflash_mode = false;
    int open_terminals = 0;
    int log_slice_mb = 0;
    std::string com_list = "COM1,COM2,COM3,COM4";
    std::string zoom_scale;
    std::string loader_path = "qq";
    int close_requests = 0;
    int exit_status = 0;
    std::vector<int> multi_flash_opened;
    int terminals_opened = 0;
    std::vector<std::string> windowMenu;
    std::vector<int> released;
    std::vector<int> restored;

private:
    QMdiArea* mdiArea_;
    QPrinter* printer_ = nullptr;
};
