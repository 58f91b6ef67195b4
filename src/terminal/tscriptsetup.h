#pragma once
// The script set-up window: twelve sets of twelve Shift+F texts, one set shown
// in the edits at a time, a name per set, a "Mixed" flag per text. Created once
// at start-up and kept hidden until a terminal shows it; the terminals send its
// texts on Shift+F1..F12 and choose sets with Ctrl+F1..F12.

#include "terminal/script_store.h"
#include "ui_tscriptsetup.h"

#include <QMainWindow>
#include <array>

class QCheckBox;
class QTextEdit;
class QToolButton;
class TerminalLink;

class TScriptSetup : public QMainWindow, public Ui::TScriptSetup {
    Q_OBJECT
public:
    static constexpr int kMaxScriptLength = 64000;

    // Loads the sets from the store beside the settings file. The first one made
    // becomes the program's ScriptSetup.
    explicit TScriptSetup(QWidget* parent = nullptr);
    ~TScriptSetup() override;

    void StoreScriptSet(int set);
    void ShowScriptSet(int set);

    // Stores the sets; with a sender (the "OK" button) the window closes after.
    void OkbtnClick(QObject* Sender);
    void peruutaClick();
    // The File menu: dialogs, then the file operations below.
    void Saveas1Click();
    void Load1Click();
    bool SaveScriptFile(const std::string& fileName);
    void LoadScriptFile(const std::string& fileName);

    // Sends text n (1..12) of the current set, as the edit shows it, to the
    // terminal.
    void SendScriptText(int key, TerminalLink& terminal);
    // Ctrl+F1..F12 (without Shift and Alt) selects set 1..12. Returns true when
    // the key is swallowed: whenever Ctrl alone is held.
    bool RichEdit1KeyUp(int key, Qt::KeyboardModifiers shift);
    // Clicks set button n for the key F n.
    void SelectScriptSet(int key);
    // The name of the chosen set.
    std::string GetActiveScriptSet() const;
    int CurrentSet() const { return currentSet_; }
    const ScriptTable& Table() const { return table_; }
    // The File menu is there only in factory mode.
    void SetFactoryMode(bool on);

    // Recolours the escapes of edit n (posted by the window to itself).
    void PostRecolour(int key, bool mixed);

signals:
    // A set was chosen: the terminals show its name.
    void ScriptSetChosen(const QString& name);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FitToScreen();
    void SpeedButton1Click(int set);
    void SetNameChange();
    void RecolourMixedText(int key, bool mixed);
    void EditCommand(void (QTextEdit::*command)());
    std::string EditText(int key) const;
    void SetEditText(int key, const std::string& text);
    // The key (1..12) of an edit or "Mixed" box, 0 for other controls.
    int KeyOf(QObject* control) const;

    std::array<QTextEdit*, kScriptKeys> edits_{};
    std::array<QCheckBox*, kScriptKeys> mixed_{};
    std::array<QToolButton*, kScriptSets> setButtons_{};
    ScriptTable table_;
    int currentSet_ = 1;
    // The store file was there but could not be read at creation: storing is
    // refused, so the scripts in it are never replaced by ones not read from it.
    bool storeUnread_ = false;
};

// The one script set-up window, created at start-up.
extern TScriptSetup* ScriptSetup;
