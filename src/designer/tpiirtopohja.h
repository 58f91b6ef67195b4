#pragma once
// The network designer: an MDI child of the main window on which the user places
// modem figures, keeps the design in a file and programs the modems. One class
// serves two modes, fixed at creation: a routing project (".spf", any number of
// figures, a master, routes) and a single modem (".ssf", one figure).

#include "designer/file_dialogs.h"
#include "designer/modem_type_files.h"
#include "designer/network_design.h"
#include "shell/close_query.h"

#include <QMainWindow>
#include <string>

namespace Ui {
class Tpiirtopohja;
}
class DesignerCanvas;
class QMenu;
class QScrollArea;

// The serial settings for programming and pinging, from section "Properties".
struct DesignerPortSettings {
    int portNumber = 1;
    int speed = 9600;
    int dataBits = 8;
    int stopBits = 1;
    int parity = 0;
    // Seconds, for the NMS transfer.
    int timeout = 3;
};

class Tpiirtopohja : public QMainWindow, public CloseQuery {
    Q_OBJECT
public:
    Tpiirtopohja(bool singleModem, QWidget* parent = nullptr);
    ~Tpiirtopohja() override;

    NetworkDesign& Design() { return design_; }
    bool SingleModem() const { return design_.SingleModem(); }
    DesignerCanvas* Canvas() const { return canvas_; }
    const DesignerPortSettings& PortSettings() const { return port_; }
    int SecurityLevel() const { return securityLevel_; }
    void SetSecurityLevel(int level) { securityLevel_ = level; }
    const std::string& ProjectFileName() const { return projectFileName_; }
    const std::string& SingleModemFileName() const { return singleModemFileName_; }
    // The file of the window's mode.
    const std::string& FileName() const { return SingleModem() ? singleModemFileName_ : projectFileName_; }

    // File menu.
    void Uusi1Click();
    void Avaa1Click();
    void Tallenna1Click();
    void Tallennanimell1Click();
    void Lopeta1Click();
    // Asks whether to save a modified design; false when the user cancels. After
    // true the design is empty.
    bool AskSaveChanges();
    void LoadProjectFile(const std::string& fileName);
    // Saves the design; false (after a message) when the file cannot be written.
    bool SaveProjectFile(const std::string& fileName);

    // Modem menu.
    void LataaModeemi1Click();
    void TallennaModeemi1Click();
    void NewModemFigure(QAction* item);
    void NewModemFigureAtOrigin(QAction* item);

    // Project menu.
    void Ominaisuudet3Click();
    void Suojaustaso1Click();
    // The project-properties dialog accepted its values.
    void ProjectPropertiesAccepted(bool newProject);
    void SetRoutesDirty() { design_.routesDirty = true; }
    void ShowProjectCaption();
    void UpdateCaption(const std::string& fileName);

    void RedrawRoutes();
    bool FormCloseQuery() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void ReadPortSettings();
    void BuildModemTypeMenus();
    void CreateHelpers();
    void OpenStartFile();
    void ShowPopupMenu(const QPoint& point);
    void SelectFigure(TKuvio* figure);
    void SetFileNameOfMode(const std::string& fileName);
    void ResetZoom();
    void FormClose();
    FileDialogRequest ProjectFileRequest(bool save, const std::string& title) const;
    FileDialogRequest ModemDataRequest(bool save, const std::string& title) const;

    Ui::Tpiirtopohja* ui;
    NetworkDesign design_;
    ModemTypeVersionReader typeReader_;
    DesignerCanvas* canvas_;
    QScrollArea* scrollArea_;
    QMenu* PopupMenu1;
    QMenu* Luouusi1;
    QMenu* NewMobile2;
    QMenu* Newmulti1;
    QAction* Ominaisuudet1;
    DesignerPortSettings port_;
    std::string projectFileName_ = "noname.spf";
    std::string singleModemFileName_ = "default.ssf";
    std::string modemFileName_ = "default.ssf";
    bool fileNamed_ = false;
    int securityLevel_ = 0;
    // Where the next modem of the pop-up menu goes.
    QPoint pointer_;
    // The start file has not been opened yet.
    bool firstShow_ = true;
};

// Opens a designer in the main window's MDI area and shows it.
Tpiirtopohja* CreateDesigner(bool singleModem);
