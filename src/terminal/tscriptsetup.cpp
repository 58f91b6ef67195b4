#include "terminal/tscriptsetup.h"

#include "base/hex.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/modal_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/window_message.h"
#include "shell/main_window_services.h"
#include "terminal/mixed_text_edit.h"
#include "terminal/terminal_link.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QMetaObject>
#include <QScreen>
#include <QTextEdit>

TScriptSetup* ScriptSetup = nullptr;

namespace {

const char* const kWriteFailed = "Unable to write ini file. Access denied";
const char* const kScriptFileFilter = "Script text file (*.stf)";

std::string storeFileName() {
    return ScriptStoreFileName(SettingsFileName());
}

std::string storeUnreadableText() {
    return "Unable to read file " + storeFileName() +
           "\r\nThe scripts are not stored while it cannot be read";
}

int functionKeyNumber(int key) {
    return key >= Qt::Key_F1 && key <= Qt::Key_F12 ? key - Qt::Key_F1 + 1 : 0;
}

} // namespace

TScriptSetup::TScriptSetup(QWidget* parent) : QMainWindow(parent) {
    setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    for (int n = 1; n <= kScriptKeys; ++n) {
        edits_[n - 1] = findChild<QTextEdit*>(QStringLiteral("RichEdit%1").arg(n));
        mixed_[n - 1] = findChild<QCheckBox*>(QStringLiteral("Mixed%1").arg(n));
        setButtons_[n - 1] = findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(n));
    }
    for (int n = 1; n <= kScriptKeys; ++n) {
        QTextEdit* edit = edits_[n - 1];
        edit->installEventFilter(this);
        mixed_[n - 1]->installEventFilter(this);
        connect(edit, &QTextEdit::textChanged, this, [edit] {
            if (edit->document()->characterCount() - 1 > kMaxScriptLength) {
                edit->setPlainText(edit->toPlainText().left(kMaxScriptLength));
            }
        });
        connect(mixed_[n - 1], &QCheckBox::clicked, this,
                [this, n](bool checked) { PostRecolour(n, checked); });
        connect(setButtons_[n - 1], &QToolButton::clicked, this, [this, n] { SpeedButton1Click(n); });
        setButtons_[n - 1]->setToolTip(QString());
    }
    SetName->installEventFilter(this);
    installEventFilter(this);
    connect(SetName, &QLineEdit::textChanged, this, &TScriptSetup::SetNameChange);
    connect(Okbtn, &QPushButton::clicked, this, [this] { OkbtnClick(Okbtn); });
    connect(peruuta, &QPushButton::clicked, this, &TScriptSetup::peruutaClick);
    connect(Saveas1, &QAction::triggered, this, &TScriptSetup::Saveas1Click);
    connect(Load1, &QAction::triggered, this, &TScriptSetup::Load1Click);
    connect(Leikkaa1, &QAction::triggered, this, [this] { EditCommand(&QTextEdit::cut); });
    connect(Kopioi1, &QAction::triggered, this, [this] { EditCommand(&QTextEdit::copy); });
    connect(Liit1, &QAction::triggered, this, [this] { EditCommand(&QTextEdit::paste); });
    SetFactoryMode(Pohjafrm != nullptr && Pohjafrm->FactoryMode());
    // The window opens with the keyboard in the first script, so what is typed
    // at once is not lost on a control that takes no text.
    RichEdit1->setFocus();
    FormCreate();
    if (ScriptSetup == nullptr) {
        ScriptSetup = this;
    }
}

TScriptSetup::~TScriptSetup() {
    if (isVisible()) {
        OkbtnClick(nullptr);
    }
    if (ScriptSetup == this) {
        ScriptSetup = nullptr;
    }
}

void TScriptSetup::SetFactoryMode(bool on) {
    File1->menuAction()->setVisible(on);
    File1->menuAction()->setEnabled(on);
}

// The window opens tall enough for all twelve rows, within the screen and room
// for its frame; rows that do not fit scroll, so that the set buttons, the set
// name, OK and Cancel stay in reach.
void TScriptSetup::FitToScreen() {
    QSize size = sizeHint();
    const int allRows = scriptRowsWidget->minimumSizeHint().height() + 2 * scriptRowsArea->frameWidth();
    size.rheight() += std::max(allRows - scriptRowsArea->sizeHint().height(), 0);
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() * 9 / 10);
    resize(size.expandedTo(minimumSizeHint()));
}

void TScriptSetup::FormCreate() {
    FitToScreen();
    currentSet_ = 1;
    const TIniFile settings(SettingsFileName());
    switch (LoadScriptStore(settings, storeFileName(), table_)) {
    case ScriptStoreLoad::None:
        break;
    case ScriptStoreLoad::Unreadable:
        storeUnread_ = true;
        ShowMessage(storeUnreadableText());
        break;
    case ScriptStoreLoad::OneSet:
        for (int n = 1; n <= kScriptKeys; ++n) {
            const ScriptCell& cell = table_.cell(1, n);
            mixed_[n - 1]->setChecked(cell.IsMixed());
            SetEditText(n, cell.text);
            PostRecolour(n, cell.IsMixed());
        }
        break;
    case ScriptStoreLoad::AllSets:
        ShowScriptSet(1);
        for (int set = 1; set <= kScriptSets; ++set) {
            setButtons_[set - 1]->setToolTip(fromLatin1(table_.cell(set, kScriptNameRow).text));
        }
        break;
    }
}

void TScriptSetup::StoreScriptSet(int set) {
    for (int n = 1; n <= kScriptKeys; ++n) {
        table_.cell(set, n) = {EditText(n), mixed_[n - 1]->isChecked() ? "1" : "0"};
    }
    table_.cell(set, kScriptNameRow).text = toLatin1(SetName->text());
}

void TScriptSetup::ShowScriptSet(int set) {
    for (int n = 1; n <= kScriptKeys; ++n) {
        const ScriptCell& cell = table_.cell(set, n);
        mixed_[n - 1]->setChecked(cell.IsMixed());
        SetEditText(n, cell.text);
        PostRecolour(n, cell.IsMixed());
    }
    SetName->setText(fromLatin1(table_.cell(set, kScriptNameRow).text));
}

void TScriptSetup::OkbtnClick(QObject* Sender) {
    StoreScriptSet(currentSet_);
    // The scripts the user had are still in the unread store: a table that was
    // not read from it must not replace them.
    if (storeUnread_) {
        ShowMessage(storeUnreadableText());
    } else if (TIniFile settings(SettingsFileName()); !StoreScriptStore(settings, storeFileName(), table_)) {
        ShowMessage(kWriteFailed);
    }
    if (Sender != nullptr) {
        close();
    }
}

void TScriptSetup::peruutaClick() {
    close();
}

void TScriptSetup::Saveas1Click() {
    QFileDialog dialog(this, QString(), fromLatin1(ProgramFolder()), kScriptFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("stf"));
    if (RunModal(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        SaveScriptFile(dialog.selectedFiles().first().toStdString());
    }
}

void TScriptSetup::Load1Click() {
    QFileDialog dialog(this, QString(), fromLatin1(ProgramFolder()), kScriptFileFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("stf"));
    if (RunModal(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        LoadScriptFile(dialog.selectedFiles().first().toStdString());
    }
}

bool TScriptSetup::SaveScriptFile(const std::string& fileName) {
    if (WriteScriptFile(fileName, table_)) {
        return true;
    }
    ShowMessage("Unable to write file " + fileName);
    return false;
}

void TScriptSetup::LoadScriptFile(const std::string& fileName) {
    const ScriptFileContents contents = ReadScriptFile(fileName, table_);
    if (const std::string fault = ScriptFileFault(contents, fileName); !fault.empty()) {
        ShowMessage(fault);
    }
    if (contents.layout == ScriptFileContents::Sets) {
        ShowScriptSet(currentSet_);
        return;
    }
    for (size_t i = 0; i < contents.keys.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        mixed_[i]->setChecked(contents.keys[i].mixed);
        SetEditText(n, contents.keys[i].text);
        PostRecolour(n, contents.keys[i].mixed);
    }
}

void TScriptSetup::SendScriptText(int key, TerminalLink& terminal) {
    if (key < 1 || key > kScriptKeys) {
        return;
    }
    std::string text = EditText(key);
    if (mixed_[key - 1]->isChecked()) {
        text = UnescapeHexString(text);
    }
    if (!text.empty()) {
        terminal.QueueSend(text, true);
    }
}

bool TScriptSetup::RichEdit1KeyUp(int key, Qt::KeyboardModifiers shift) {
    const Qt::KeyboardModifiers held = shift & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (held != Qt::ControlModifier) {
        return false;
    }
    if (functionKeyNumber(key) != 0) {
        SelectScriptSet(key);
    }
    return true;
}

void TScriptSetup::SelectScriptSet(int key) {
    const int set = functionKeyNumber(key);
    if (set != 0) {
        setButtons_[set - 1]->click();
    }
}

std::string TScriptSetup::GetActiveScriptSet() const {
    for (QToolButton* button : setButtons_) {
        if (button->isChecked()) {
            return toLatin1(button->toolTip());
        }
    }
    return "";
}

void TScriptSetup::SpeedButton1Click(int set) {
    setButtons_[set - 1]->setChecked(true);
    if (set == currentSet_) {
        return;
    }
    StoreScriptSet(currentSet_);
    ShowScriptSet(set);
    currentSet_ = set;
    emit ScriptSetChosen(setButtons_[set - 1]->toolTip());
}

void TScriptSetup::SetNameChange() {
    for (QToolButton* button : setButtons_) {
        if (button->isChecked()) {
            button->setToolTip(SetName->text());
        }
    }
}

void TScriptSetup::PostRecolour(int key, bool mixed) {
    PostMessage(this, WM_SCRIPT_RECOLOUR, mixed ? 1 : 0, key);
}

bool TScriptSetup::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event)) {
        if (message->number() == WM_SCRIPT_RECOLOUR) {
            RecolourMixedText(static_cast<int>(message->lParam()), message->wParam() == 1);
            return true;
        }
    }
    return QMainWindow::event(event);
}

bool TScriptSetup::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease) {
        return QMainWindow::eventFilter(watched, event);
    }
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const bool inEdit = qobject_cast<QTextEdit*>(watched) != nullptr;
    // "Cancel" takes Esc whichever control has the focus: the edits, the set name
    // and the "Mixed" boxes are watched here, and Esc on any other control, which
    // it ignores, reaches the window itself.
    if (press && keyEvent->key() == Qt::Key_Escape) {
        QMetaObject::invokeMethod(peruuta, &QPushButton::click, Qt::QueuedConnection);
        return true;
    }
    if (press && inEdit) {
        const int key = KeyOf(watched);
        PostRecolour(key, mixed_[key - 1]->isChecked());
    }
    if (!press) {
        return RichEdit1KeyUp(keyEvent->key(), keyEvent->modifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TScriptSetup::RecolourMixedText(int key, bool mixed) {
    if (key >= 1 && key <= kScriptKeys) {
        ColourMixedEscapes(edits_[key - 1], mixed);
    }
}

void TScriptSetup::EditCommand(void (QTextEdit::*command)()) {
    auto* edit = qobject_cast<QTextEdit*>(focusWidget());
    const int key = KeyOf(edit);
    if (key == 0) {
        return;
    }
    (edit->*command)();
    if (command == &QTextEdit::paste) {
        PostRecolour(key, mixed_[key - 1]->isChecked());
    }
}

std::string TScriptSetup::EditText(int key) const {
    return EditTextCrLf(edits_[key - 1]);
}

void TScriptSetup::SetEditText(int key, const std::string& text) {
    SetEditTextCrLf(edits_[key - 1], text);
}

int TScriptSetup::KeyOf(QObject* control) const {
    for (int n = 1; n <= kScriptKeys; ++n) {
        if (control != nullptr && (control == edits_[n - 1] || control == mixed_[n - 1])) {
            return n;
        }
    }
    return 0;
}
