#pragma once
// The network designer: an MDI child of the main window on which the user places
// modem figures, keeps the design in a file and programs the modems. One class
// serves two modes, fixed at creation: a routing project (".spf", any number of
// figures, a master, routes) and a single modem (".ssf", one figure).

#include "designer/designer_nms.h"
#include "designer/designer_port_settings.h"
#include "designer/designer_programming.h"
#include "designer/graph_editing.h"
#include "designer/menu_rules.h"
#include "designer/modem_type_files.h"
#include "designer/network_design.h"
#include "designer/property_rows.h"
#include "designer/recent_files.h"
#include "platform/file_dialogs.h"
#include "serial/cdirectserial.h"
#include "shell/close_query.h"
#include "shell/mdi_child.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class Tpiirtopohja;
}
class DesignerCanvas;
class QActionGroup;
class QMenu;
class QScrollArea;
class Tominaisuus;
class Tprj_ominaisuus;
class Tsuoja;

class Tpiirtopohja : public QMainWindow, public CloseQuery, public WorkingControlOwner {
    Q_OBJECT
public:
    Tpiirtopohja(bool singleModem, QWidget* parent = nullptr);
    ~Tpiirtopohja() override;

    NetworkDesign& Design() { return design_; }
    GraphEditor& Editor() { return editor_; }
    bool SingleModem() const { return design_.SingleModem(); }
    DesignerCanvas* Canvas() const { return canvas_; }
    const DesignerPortSettings& PortSettings() const { return port_; }
    int SecurityLevel() const { return securityLevel_; }
    void SetSecurityLevel(int level) { securityLevel_ = level; }
    const std::string& ProjectFileName() const { return projectFileName_; }
    const std::string& SingleModemFileName() const { return singleModemFileName_; }
    // The file of the window's mode.
    const std::string& FileName() const { return SingleModem() ? singleModemFileName_ : projectFileName_; }
    const RecentFiles& Recent() const { return recentFiles_; }
    bool MobileView() const;
    // What the modems' property rows depend on: the mode, the security level and
    // the caption.
    PropertyRowContext RowContext() const;
    // Whether a parameter with the visibility mask is shown in this designer.
    bool AllowedInMode(int mask) const;
    // The tool windows this designer created; each shows only this designer's
    // project and modems. Null until they are created, and after they went.
    Tominaisuus* PropertiesWindow() const;
    Tprj_ominaisuus* ProjectPropertiesDialog() const;
    Tsuoja* SecurityLevelDialog() const;

    // File menu.
    void Tiedosto1Click();
    void Uusi1Click();
    void Avaa1Click();
    void Tallenna1Click();
    void Tallennanimell1Click();
    void Lopeta1Click();
    void OpenRecentFile(QAction* item);
    // Asks whether to save a modified design; false when the user cancels. After
    // true the design is empty.
    bool AskSaveChanges();
    // Replaces the design by the file's; false (after a message) when the file
    // cannot be read: the design is then empty and the window unnamed.
    bool LoadProjectFile(const std::string& fileName);
    // Saves the design; false (after a message) when the file cannot be written.
    bool SaveProjectFile(const std::string& fileName);

    // Modem menu and the modem pop-up menu.
    void Modeemi1Click();
    void LataaModeemi1Click();
    void TallennaModeemi1Click();
    void NewModemFigure(QAction* item);
    void NewModemFigureAtOrigin(QAction* item);
    void Yhdist1Click();
    void Poista2Click();
    void Copy2Click();
    void Master2Click();
    void Ominaisuudet4Click();
    void NytReitti2Click();
    void Viiva1Click();
    void Poista1Click();
    void Master1Click();
    void Copy1Click();
    void Deleteconnection1Click();
    void Piirruudestaan1Click();
    void PopupMenu1Popup();
    void PopupMenu2Popup();

    // Commands whose work other parts of the designer do.
    void Ominaisuudet2Click();
    void ActiveFigureChanged();
    bool ConvertingModemType() const;
    void Nytreitti1Click();
    void Reitit1Click();
    void Haearvot1Click();
    void Receivevalues1Click();
    void Lhetarvot1Click();
    void Transmitparrou1Click();
    // Programs the figure's values into the modem on the port, or reads the
    // modem's values into the figure, by NMS frames or the "$" protocol.
    void TransmitValues(TKuvio& figure);
    void ReceiveValues(TKuvio& figure);
    void Konvert1Click(QAction* item);
    void Testnet1Click();
    void Ping1Click();
    void PingAll1Click();
    void PingCount1Click();
    void Clearrssiinfos1Click();
    void COM11Click(QAction* item);
    void PortSpeedPingClick(QAction* item);
    void PortDataPingClick(QAction* item);
    void PortStopPingClick(QAction* item);
    void PortParityPingClick(QAction* item);
    void Drawing1Click();
    void Properties1Click();
    void Print2Click();
    void Printproperties1Click();
    void PrintSetup1Click();
    void PropTable1Click();

    // Project menu.
    void Projekti1Click();
    void Ominaisuudet3Click();
    void MobileRoutes1Click();
    void Suojaustaso1Click();
    // The project-properties dialog accepted its values.
    void ProjectPropertiesAccepted(bool newProject);
    void SetRoutesDirty() { design_.routesDirty = true; }
    void SetMasterNoAddress(bool on);
    void ShowProjectCaption();
    // The project's file is named after the project: "<name>.spf", not yet saved.
    void UpdateCaption(const std::string& name);
    // Hides the route lists of the routing type not in force.
    void RefreshRouteWindows();

    // Zoom and scrolling of the drawing.
    void ZoomIn();
    void ZoomOut();
    void ScrollRight(int step);
    void ScrollLeft(int step);
    void ScrollDown(int step);
    void ScrollUp(int step);

    void RedrawRoutes();
    // The main window asks for a redraw when the program becomes active.
    void RefreshGraph() { RedrawRoutes(); }
    bool FormCloseQuery() override;
    // The drawing takes the keys: the editing modes, Delete, Insert and the zoom.
    QWidget* WorkingControl() override;

    // Programming and pinging through the designer's own port.
    DesignerProgramming& Programming() { return *programming_; }
    CDirectSerial PolledPort;

    QMenu* PopupMenu1;
    QMenu* PopupMenu2;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Keys on the drawing and the wheel over it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void BuildMenus();
    void BuildPopupMenus();
    void BuildPingSettingMenus();
    void ConnectMenuCommands();
    void CreateProgramming();
    // Shows the figure in the designer's properties window.
    void ShowProperties(TKuvio& figure);
    void ShowRejectedValues(TKuvio& figure, const std::vector<DollarItem>& items, int firstIndex);
    void UpdatePingCaption();
    void BuildModemTypeMenus();
    void BuildRecentFileMenu();
    void RemoveRecentFileItems();
    void RecordRecentFile(const std::string& fileName);
    void CreateHelpers();
    void OpenStartFile();
    void OpenDesignFile(const std::string& fileName);
    void SetFileNameOfMode(const std::string& fileName);
    // The window names no file: "noname.spf" and "default.ssf".
    void ForgetFile();
    bool HasFile() const;
    void ShowFileCaption(const std::string& fileName);
    void ResetZoom();
    void ZoomStep(bool in);
    void EditedOnCanvas();
    void Pan(QPoint move);
    bool DrawingKey(const QKeyEvent& event);
    QAction* InsertedModemType() const;
    void DrawingWheel(const QWheelEvent& event);
    void FigureRemoved(TKuvio& figure);
    void FormClose();
    MenuConditions CurrentMenuConditions() const;
    FileDialogRequest ProjectFileRequest(bool save, const std::string& title) const;
    FileDialogRequest ModemDataRequest(bool save, const std::string& title) const;

    Ui::Tpiirtopohja* ui;
    NetworkDesign design_;
    GraphEditor editor_;
    ModemTypeVersionReader typeReader_;
    RecentFiles recentFiles_;
    std::vector<QAction*> recentItems_;
    DesignerCanvas* canvas_;
    QScrollArea* scrollArea_;
    QMenu* Luouusi1;
    QMenu* NewMobile2;
    QMenu* Newmulti1;
    QMenu* Konvert1;
    QAction* lastModemType_ = nullptr;
    DesignerPortSettings port_;
    std::unique_ptr<DesignerProgramming> programming_;
    std::unique_ptr<DesignerNms> nms_;
    std::string projectFileName_ = "noname.spf";
    std::string singleModemFileName_ = "default.ssf";
    std::string modemFileName_ = "default.ssf";
    bool fileNamed_ = false;
    int securityLevel_ = 0;
    // Every command of the designer goes to its own set of tool windows, whichever
    // designer opened last; the main window owns them, and they go with the designer.
    QPointer<Tprj_ominaisuus> prj_ominaisuus_;
    QPointer<Tominaisuus> ominaisuus_;
    QPointer<Tsuoja> suoja_;
    // The start file has not been opened yet.
    bool firstShow_ = true;
};

// Opens a designer in the main window's MDI area and shows it.
Tpiirtopohja* CreateDesigner(bool singleModem);
