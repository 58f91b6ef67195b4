#include "firmware/tcsingleflashdlg.h"

#include "firmware/flash_settings.h"
#include "platform/file_dialogs.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "shell/main_window_services.h"
#include "shell/mdi_child.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <array>

namespace {
const char* const kInterruptQuestion = "Do you really want to interrupt FLASH-memory programming ??";

// The rows after the shared ones.
const std::array<const char*, 3> kOwnDeviceRows{"P3        - YAX20", "OEM DEV CM", "OEM DEV CM 2"};

const char* const kFilter = "Kelvo Flash Files (*.sff/*.sf2/*.sf3/*.sfo/*.s11/*.sxx)|*.sff;*.sf2;*.sf3;*.sfo;"
                            "*.s11;*.s12;*.s13;*.s14;*.s15;*.s16;*.s17*;*.s18;*.s20;*.s21;*.s22;*.s23";
const char* const kFactoryFilter =
    "Kelvo Flash Files (*.sff/*.sf2/*.sf3/*.sfo/*.sxx/*.uxx)|*.sff;*.sf2;*.sf3;*.sfo;*.s11;*.s12;*.s13;*.s14;"
    "*.s15;*.s16;*.s17;*.s18;*.s20;*.s21;*.u11;*.u12;*.u13;*.u14;*.u15;*.u16;*.u17;*.u18;*.u20;*.u21;*.u22;*."
    "u23";
} // namespace

TCSingleFlashDlg::TCSingleFlashDlg(QWidget* owner) : QMainWindow(owner) {
    setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    h8_3069->setVisible(true);
    h8_3069->setEnabled(false);
    h8_3069->setChecked(false);
    veryslow->setVisible(false);
    for (const char* row : kSharedDeviceRows)
        Devicelist->addItem(row);
    for (const char* row : kOwnDeviceRows)
        Devicelist->addItem(row);
    Devicelist->setCurrentIndex(0);
    portti_id->addItems(fromLatin1(Pohjafrm->ListSerialPorts()).split(','));
    connect(Luetiedosto, &QPushButton::clicked, this, &TCSingleFlashDlg::LuetiedostoClick);
    connect(Flash_tiedosto, &QPushButton::clicked, this, &TCSingleFlashDlg::Flash_tiedostoClick);
    connect(peruuta, &QPushButton::clicked, this, [this] { CloseMdiChild(this); });
    connect(SuljeFlash1, &QAction::triggered, this, [this] { CloseMdiChild(this); });
    connect(Lopeta1, &QAction::triggered, this, [] { Pohjafrm->CloseMainWindow(); });
    // The box that the file choice sets runs its handler as a click would.
    connect(h8_3069, &QCheckBox::toggled, this, &TCSingleFlashDlg::h8_3069Click);
    QMdiSubWindow* child = Pohjafrm->MdiArea()->addSubWindow(this);
    child->setAttribute(Qt::WA_DeleteOnClose);
    FormCreate();
    child->show();
}

TCSingleFlashDlg::~TCSingleFlashDlg() {
    StopAndWait();
}

void TCSingleFlashDlg::FormCreate() {
    LoadFlashSettings();
}

void TCSingleFlashDlg::LoadFlashSettings() {
    const SingleFlashSettings settings = ReadSingleFlashSettings(TIniFile(SettingsFileName()));
    portti_id->setCurrentIndex(settings.portIndex < portti_id->count() ? settings.portIndex : -1);
    initialDir_ = settings.initialDir;
}

void TCSingleFlashDlg::LuetiedostoClick() {
    const bool factory = Pohjafrm->FactoryMode();
    const auto chosen = ChooseFileName(
        this, {false, "Open file to flash", factory ? kFactoryFilter : kFilter, "", fileName, initialDir_});
    if (!chosen)
        return;
    fileName = *chosen;
    Flash_tiedosto->setEnabled(true);
    setWindowTitle(fromLatin1(fileName));
    const SingleFlashFileChoice choice = SingleFlashFileKindOf(fileName, factory);
    if (choice.enableDeviceList)
        Devicelist->setEnabled(true);
    if (!choice.kind)
        return;
    kind_ = *choice.kind;
    h8_3069->setChecked(kind_.h8_3069);
    Devicelist->setCurrentIndex(kind_.row);
}

void TCSingleFlashDlg::h8_3069Click() {
    if (!h8_3069->isChecked())
        veryslow->setChecked(false);
    veryslow->setVisible(h8_3069->isChecked());
}

SingleFlashChoices TCSingleFlashDlg::Choices() const {
    SingleFlashChoices choices;
    choices.fileName = fileName;
    choices.kind = {h8_3069->isChecked(), Devicelist->currentIndex(), kind_.protectedFile};
    choices.update = paivita->isChecked();
    choices.veryslow = veryslow->isChecked();
    choices.portText = toLatin1(portti_id->currentText());
    choices.keyFields = {toLatin1(key_id1->text()), toLatin1(key_id2->text()), toLatin1(key_id3->text())};
    return choices;
}

bool TCSingleFlashDlg::Flash_tiedostoClick() {
    if (const auto problem = UnloadableFileText(fileName, FileMissingText(fileName))) {
        ShowMessage(*problem);
        return false;
    }
    TIniFile ini(SettingsFileName());
    if (!WriteSingleFlashSettings(ini, portti_id->currentIndex(), fileName))
        ShowMessage(kSettingsWriteFailed);
    auto prepared = PrepareSingleFlashLoad(Choices());
    if (const auto* refusal = std::get_if<FlashRefusal>(&prepared)) {
        if (!refusal->text.empty())
            ShowMessage(refusal->text);
        return false;
    }
    StartEngine(std::move(std::get<SingleFlashLoad>(prepared)));
    return true;
}

void TCSingleFlashDlg::StartEngine(SingleFlashLoad load) {
    load_ = std::move(load);
    heldChoices_.Hold(*this, {Luetiedosto, Flash_tiedosto, paivita, h8_3069, veryslow, Devicelist, portti_id,
                              key_id1, key_id2, key_id3, key_id4});
    loading_ = true;
    const bool h8_3069Load = load_.h8_3069;
    host_ = std::make_unique<FlashWindowHost>(
        this, init_bar, prog_bar,
        [this, h8_3069Load] { return (h8_3069Load ? Engine3069.StopRequested : Engine.StopRequested) != 0; },
        false);
    if (h8_3069Load)
        FillH8_3069();
    else
        FillH8_3048();
    prog_bar->setMaximum(static_cast<int>(load_.length));
    FlashThread = std::make_unique<FlashWorker>(
        this, 0, std::chrono::milliseconds(0),
        [this, h8_3069Load] { return h8_3069Load ? Engine3069.FlashH8_3069() : Engine.FlashH8_3048(); },
        [this, h8_3069Load](uint32_t code) { (h8_3069Load ? Engine3069.Result : Engine.Result) = code; });
    if (!FlashThread->Start()) {
        // The load ends at once with a failure, so the window comes back.
        FlashThread.reset();
        (h8_3069Load ? Engine3069.Result : Engine.Result) = kChannelNotReported;
        PostMessage(this, WM_FLASH_DONE);
    }
}

void TCSingleFlashDlg::FillH8_3048() {
    Engine.UpdateMode = load_.updateMode;
    Engine.Data = load_.data.data();
    Engine.DataLength = load_.length;
    Engine.Key = load_.key;
    Engine.Encrypted = 1;
    Engine.HighSpeed = 0;
    Engine.Port = load_.port;
    Engine.StopRequested = 0;
    Engine.Host = host_.get();
    Engine.Clock = &FlashWindowClock();
    init_bar->setMaximum(static_cast<int>(Engine.GetInitSteps()));
}

void TCSingleFlashDlg::FillH8_3069() {
    Engine3069.Image = load_.data.data();
    Engine3069.DataLength = load_.length;
    Engine3069.ImageLength = load_.length;
    Engine3069.Port = load_.port;
    Engine3069.Select3069 = 1;
    Engine3069.AskOnMismatch = 0;
    Engine3069.DeviceRow = load_.deviceRow;
    Engine3069.UpdateMode = load_.updateMode;
    Engine3069.SpeedIndex = load_.speedIndex;
    Engine3069.ClockHz = load_.clockHz;
    Engine3069.BootImage = nullptr;
    Engine3069.NmsKind = load_.nmsKind;
    Engine3069.FileId = load_.fileId;
    Engine3069.StopRequested = 0;
    Engine3069.Host = host_.get();
    Engine3069.Clock = &FlashWindowClock();
    init_bar->setMaximum(static_cast<int>(Engine3069.GetInitSteps()));
}

bool TCSingleFlashDlg::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event)) {
        switch (message->number()) {
        case WM_FLASH_DONE:
            OnFlashDone();
            return true;
        case WM_FLASH_LOCK_CANCEL:
            DisableCancel();
            return true;
        default:
            break;
        }
    }
    return QMainWindow::event(event);
}

void TCSingleFlashDlg::OnFlashDone() {
    if (closing_ || !loading_)
        return;
    FlashThread.reset();
    host_.reset();
    loading_ = false;
    heldChoices_.Release();
    peruuta->setEnabled(true);
    resultPending_ = true;
    if (!asking_)
        ShowPendingResult();
}

// Shown once, however many questions were open when the load ended.
void TCSingleFlashDlg::ShowPendingResult() {
    if (!resultPending_)
        return;
    resultPending_ = false;
    ShowResult();
}

// A load that succeeded stands at the end of its program bar while its box is open:
// an engine's last progress may fall short of the bar's maximum.
void TCSingleFlashDlg::ShowResult() {
    const uint32_t code = load_.h8_3069 ? Engine3069.Result : Engine.Result;
    const std::string text = load_.h8_3069 ? FlashErrorText3069(code, Engine3069.LoaderProgress)
                                           : FlashErrorText(code, Engine.Port);
    if (code == 0)
        prog_bar->setValue(prog_bar->maximum());
    MessageBox(text, "Information", MB_OK | MB_TOPMOST);
    init_bar->setValue(0);
    prog_bar->setValue(0);
}

void TCSingleFlashDlg::DisableCancel() {
    peruuta->setEnabled(false);
}

// A running load is asked to stop; the window stays open and shows the result
// when the engine has ended. A load that ends while the question is open shows its
// result after the answer, and a Yes then lets the window close.
bool TCSingleFlashDlg::FormCloseQuery() {
    if (!loading_)
        return true;
    asking_ = true;
    const bool yes = MessageBox(kInterruptQuestion, "Confirm", MB_YESNOCANCEL | MB_ICONQUESTION) == IDYES;
    asking_ = false;
    if (loading_ && yes)
        (load_.h8_3069 ? Engine3069.StopRequested : Engine.StopRequested) = 1;
    ShowPendingResult();
    return yes && !loading_;
}

void TCSingleFlashDlg::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    closed_ = true;
    event->accept();
}

// Both Cancel and Flash are the form's cancel buttons; Cancel comes first.
void TCSingleFlashDlg::keyPressEvent(QKeyEvent* event) {
    if (!PressCancelButton(event, {peruuta, Flash_tiedosto}))
        QMainWindow::keyPressEvent(event);
}

// The wait runs the event loop: the worker's end message must not reset the thread
// polled here, so it is ignored from now on.
void TCSingleFlashDlg::StopAndWait() {
    if (!FlashThread)
        return;
    closing_ = true;
    Engine.StopRequested = 1;
    Engine3069.StopRequested = 1;
    WaitForWorkers([this] { return FlashThread->Finished(); });
    FlashThread.reset();
}
