#pragma once
// "Modem properties": the stay-on-top tool window in which the parameters of a
// modem figure are shown and edited. Its rows are built at run time from the
// figure's modem-type file (designer/parameter_schema.h); the values follow the
// rules of designer/field_value.h. It also shows the values a modem reports
// during programming, and in its two-column view converts a modem's values to
// another modem type. Each designer has one, which serves every figure of that
// designer.

#include "designer/field_value.h"
#include "designer/held_figure.h"
#include "designer/parameter_schema.h"

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

namespace Ui {
class Tominaisuus;
}
class QGroupBox;
class QLabel;
class QPushButton;
class TKuvio;
class Tpiirtopohja;

class Tominaisuus : public QWidget {
    Q_OBJECT
public:
    explicit Tominaisuus(QWidget* parent = nullptr);
    ~Tominaisuus() override;

    // The figure the next ShowModemProperties shows, and its designer (mode,
    // security level, project). Hides the name and address rows in a
    // single-modem designer. A shown window given another figure shows that
    // figure's values: it never names one modem over another's values. The
    // window lets the figure go, and closes, when its design removes it.
    void SetFigure(Tpiirtopohja* designer, TKuvio* figure);
    TKuvio* Figure() const { return figure_.get(); }
    // Opens the two-column view that converts the figure to another modem type.
    void SetConversionTarget(const std::string& typeName);
    // True while the window converts a figure (the designer then ignores presses
    // on figures).
    bool Converting() const { return convert_; }

    // Opens or refreshes the window for the figure set before.
    void ShowModemProperties(bool convert);
    // Fills the fixed fields and the parameter controls from the figure.
    // False when the window changed under the conflict question (see Standing).
    bool ShowFigureValues(bool readOnly);
    // Fills only the fixed fields (name, addresses) from the figure.
    void RefreshPropertyForm();

    // A value the modem reported in the "$" programming run: index 1 is the first
    // parameter, 1001 the first factory parameter, any other the one after the
    // previous. The value is shown in red.
    void ApplyResponseFields(int index, char letter, const std::string& value);
    // The result of one value of the NMS transfer: index is the number of the
    // figure's entry, from 1, and the field of that entry takes it. A failed value is
    // shown in red.
    void MarkNmsWriteResult(int failed, int index, const std::string& value, char letter);
    // Asks the window to tell the user that the modem refused a parameter.
    void PostInvalidParameter();
    void ShowInvalidParameterError();
    // The programming run gives Cancel back when the modem did not answer.
    void EnableCancel();

    // The form's commands.
    void okClick(QObject* sender);
    void poisClick();
    void no_addressClick();
    void receivebtnClick();
    void transmitbtnClick();
    void MultibtnClick();
    void ConvAllClick();
    void ConvertFieldValue(int pair);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // One column of parameter rows: the fields of a type file, their controls (none
    // for letters without one) and labels (none for 'M'), and the values of the
    // fields without a control, kept as read.
    struct Column {
        ParameterSchema schema;
        std::vector<QWidget*> controls;
        std::vector<QLabel*> labels;
        std::vector<FieldValue> kept;
    };

    void FormCreate();
    bool HasFigure() const { return figure_.get() != nullptr; }
    // A box runs the event loop: meanwhile a run's reply may give the window
    // another figure, the figure may go, or the rows may be built again. What was
    // worked out before a box (a figure, a row, a column) is used after it only
    // while the window still stands as it stood.
    struct Standing {
        uint64_t figureTurn;
        uint64_t rowsTurn;
    };
    Standing Now() const { return {figureTurn_, rowsTurn_}; }
    bool StillStands(const Standing& before) const {
        return before.figureTurn == figureTurn_ && before.rowsTurn == rowsTurn_;
    }
    void HoldFigure(Tpiirtopohja* designer, TKuvio* figure);
    // The Receive and Transmit buttons start a run of the window's modem; while
    // another run or a ping holds the designer's port they do nothing at all, so
    // that Cancel and the modem's values stay as they were.
    bool CanStartRun() const;
    // Builds the editor for the figure when needed and shows its values; false when
    // the window changed under the conflict question and shows nothing of them.
    bool LoadFigure(bool convert);
    // Loads the figure held when the load ends; false when none is held then.
    bool LoadNewest(bool convert);
    // The controls show the held figure's values before anything reads or marks
    // them: a window given another figure never names it over another's values.
    void ShowHeldFigure();
    SchemaView View() const;
    char DesignerSecurityChar() const;
    bool RightColumnShowing() const;
    bool IsVirtualMaster() const;
    // The editor is built again for another type file, another security level and
    // for the conversion view (and after it).
    bool NeedsRebuild(bool convert) const;
    // Both false when the window was given another figure, or let it go, under a
    // box of the type file.
    bool Rebuild(bool convert);
    bool BuildIfStale();
    void BuildPropertyEditor(int mode);
    // Where a column's value controls stand: right of its widest label.
    int ValueColumn(const ParameterSchema& schema, int x0) const;
    void SetUpColumns(bool right);
    std::vector<QWidget*> FixedControls() const;
    void LayOutFixedRows(QGroupBox* column, int x0, int& y);
    int AddFieldRow(Column& column, size_t index, QGroupBox* parent, int x0, int y);
    void PlaceFactorySeparator(QWidget* control, QLabel* label, QGroupBox* parent, int& y);
    int PlaceButtons(int mode, int x0, int y);
    void PlaceWindow(QGroupBox* column, int bottom);
    void CreateConversionArrows();
    void FreeFieldLists();
    void FocusFirstField();

    void ShowFixedFields(bool readOnly);
    // A field's value: its control's, or the kept one for a field without a control.
    FieldValue ReadValue(const Column& column, size_t index) const;
    std::vector<FieldValue> ReadValues(const Column& column) const;
    void ShowValue(Column& column, size_t index, const FieldValue& value, bool red);
    // Builds the editor for the figure first; false without a figure, or when it
    // went under a box of the build.
    bool ReadyForReports();
    // The field of a reported value; none, after a message that names the value's
    // number, past the last field.
    std::optional<size_t> KnownField(std::optional<size_t> field, int index);
    void PutReportedValue(size_t field, char letter, const std::string& value);
    // Stores the shown values into the figure; false (after a message) when a
    // hexadecimal field holds other characters, or when the window no longer shows
    // the figure's values after a question of their load.
    bool StoreFigure();
    // Stores the values for Receive (a new figure only) or Transmit (always); true
    // when they were stored and the window still holds the pressed-for figure.
    bool StoredForExchange(bool storeAlways);
    void StoreFixedFields();
    // False when the figure went under a box of the new type file's check.
    bool ChangeFigureType(const HeldFigure& figure);
    // Hides the window and lets go of the figure and the conversion view.
    void Dismiss();
    // The pairs of shown rows of the two columns, side by side.
    std::vector<std::pair<size_t, size_t>> ConversionPairs() const;
    bool PairConvertible(const std::pair<size_t, size_t>& pair) const;
    void CopyFieldValue(const std::pair<size_t, size_t>& pair);
    std::string RowText(const Column& column, size_t index) const;

    Ui::Tominaisuus* ui;
    QPointer<Tpiirtopohja> designer_;
    // Counts the figures given and let go, and the rows built.
    uint64_t figureTurn_ = 0;
    uint64_t rowsTurn_ = 0;
    HeldFigure figure_{[this] {
        ++figureTurn_;
        close();
    }};
    Column main_;
    Column second_;
    // The controls show the values of the figure held.
    bool valuesShown_ = false;
    std::string loadedTypeFile_;
    bool busy_ = false;
    char securityChar_ = 0;
    bool typeChanged_ = false;
    int widestList_ = 0;
    int valueX_ = 110;
    bool hideFixedFields_ = false;
    std::string targetTypeName_;
    bool convert_ = false;
    // Where ApplyResponseFields stands in the main column.
    std::optional<size_t> responseCursor_;
    std::vector<QPushButton*> arrows_;
    // Cancel stays disabled over the next hide (a receive is running).
    bool keepCancelDisabled_ = false;
};
