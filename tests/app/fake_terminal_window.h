#pragma once
// A terminal window as the main window's services see it: an MDI child whose
// port, options and calls are plain fields, and whose layout keys are written and
// read by the terminal's own layout code.

#include "app/tpohjafrm.h"
#include "shell/terminal_window_link.h"
#include "terminal/terminal_layout.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>
#include <string>
#include <vector>

class FakeTerminalWindow : public QWidget, public TerminalWindowLink {
public:
    // Opens as an MDI child of the main window and registers with it.
    explicit FakeTerminalWindow(TPohjafrm& main, const std::string& caption = "Terminal") {
        child = main.mdiArea()->addSubWindow(this);
        child->setAttribute(Qt::WA_DeleteOnClose, false);
        child->show();
        main.AddWindowMenuEntry(this, caption);
    }
    int portNumber() const override { return layout.line.portNumber; }
    bool portOpen() const override { return open; }
    void openPort(bool quiet) override {
        ++(quiet ? quietOpens : loudOpens);
        open = portAvailable;
    }
    void closePort() override { open = false; }
    void showPortState() override {
        shade = lent ? PortShade::Lent : open ? PortShade::Open : PortShade::Closed;
        closeItem = open || lent;
    }
    bool portLent() const override { return lent; }
    void setPortLent(bool isLent) override { lent = isLent; }
    bool closePortItemShown() const override { return closeItem; }
    void closePortCommand() override {
        open = false;
        closeItem = false;
    }
    void openPortCommand() override {
        openPort(false);
        closeItem = open;
    }

    QWidget* terminalWindow() override { return this; }
    bool mirrors() const override { return layout.options.mirror; }
    void typeMirroredKey(char key) override { keys += key; }
    void sendMirroredData(std::string_view data) override { data_ += data; }
    void clearScreen() override { ++clears; }
    void startSlicedLog(const std::string& fileName, int sliceSizeMb) override {
        logs.push_back(fileName + "|" + std::to_string(sliceSizeMb));
    }
    void stopLogging() override { ++logStops; }
    void showScriptSetName(const std::string& name) override { scriptPanel = "Script Set: " + name; }
    void saveTerminalSettings(TIniFile& ini, const std::string& section) override {
        WriteTerminalLayout(ini, section, layout);
    }
    void loadTerminalSettings(const TIniFile& ini, const std::string& section) override {
        layout = ReadTerminalLayout(ini, section, layout);
        openPort(true);
    }

    QMdiSubWindow* child = nullptr;
    TerminalLayout layout;
    bool open = true;
    bool portAvailable = true;
    bool closeItem = true;
    bool lent = false;
    PortShade shade = PortShade::Open;
    int quietOpens = 0;
    int loudOpens = 0;
    std::string keys;
    std::string data_;
    int clears = 0;
    std::vector<std::string> logs;
    int logStops = 0;
    std::string scriptPanel;
};
