#pragma once
// The property table window: the property values of all modems of a designer side
// by side, one tab per modem type with a grid of a row per property and a column
// per modem. The table can be printed, saved as text and copied; a double click on
// a modem's column opens its properties. There is at most one, an MDI child of the
// main window, reached through arvotaulu.

#include "designer/property_table.h"
#include "shell/mdi_child.h"

#include <QMainWindow>
#include <QPointer>
#include <string>
#include <vector>

namespace Ui {
class Tarvotaulu;
}
class QTableWidget;
class Tpiirtopohja;

class Tarvotaulu : public QMainWindow, public WorkingControlOwner {
    Q_OBJECT
public:
    // The table of the designer's modems; the designer's window state is given
    // back when the table closes.
    Tarvotaulu(Tpiirtopohja* designer, Qt::WindowStates designerState, QWidget* parent = nullptr);
    ~Tarvotaulu() override;

    // Builds the table anew from the designer's modems.
    void RefreshPropertyTable();
    // Builds the table anew for another designer.
    void ShowDesigner(Tpiirtopohja* designer, Qt::WindowStates designerState);
    Tpiirtopohja* Designer() const { return designer_; }
    // The window state the designer gets back when the table closes: the one it had
    // at its latest Property table command.
    void KeepDesignerState(Qt::WindowStates state) { designerState_ = state; }
    const std::vector<PropertyTableTab>& Tabs() const { return tabs_; }
    QTableWidget* Grid(int tab) const;
    int CurrentTab() const;
    void SetCurrentTab(int tab);
    // The grid of the tab shown, or the window while the table holds no modem.
    QWidget* WorkingControl() override;

    void PrintProTable1Click();
    void Saveastextfile1Click();
    void SavePropertyTableText(const std::string& fileName);
    void Copy1Click();
    void Selectall1Click();
    void Closeprotable1Click();
    void Exit1Click();
    // Opens the properties of the modem of the grid's column.
    void OpenColumnModemProperties(int column);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildPropertyTable();
    void RemoveGrids();
    void GiveDesignerItsState();
    QTableWidget* CreateGrid(const PropertyTableTab& tab);

    Ui::Tarvotaulu* ui;
    QPointer<Tpiirtopohja> designer_;
    Qt::WindowStates designerState_;
    std::vector<PropertyTableTab> tabs_;
    // Counts the builds, so that one a question let in meanwhile stands.
    int builds_ = 0;
};

// The one table window; null while there is none.
extern QPointer<Tarvotaulu> arvotaulu;

// Shows the table, creating it for the designer when there is none; the designer
// is set to its normal size meanwhile.
void ShowPropertyTable(Tpiirtopohja* designer);
// Builds the table anew when it shows the designer's modems: the designer opened
// a file or a modem's values were stored. The table of another designer stays as
// it is.
void RefreshPropertyTable(const Tpiirtopohja* designer);
// Closes the table when it shows the designer's modems.
void ClosePropertyTable(const Tpiirtopohja* designer);
