#include "firmware/tcmultiflashdlg.h"

#include "firmware/flash_settings.h"
#include "platform/file_dialogs.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/portmap.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/wait_clock.h"
#include "platform/wave_sound.h"
#include "shell/main_window_services.h"
#include "shell/mdi_child.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QTimer>
#include <algorithm>
#include <filesystem>

namespace {
using std::chrono::milliseconds;

constexpr milliseconds kAfterTakingPorts{150};
constexpr milliseconds kBeforeReturningPorts{500};
constexpr int kNameMargin = 30;
constexpr int kFirstPortItem = 4;
constexpr milliseconds kForcedCloseDelay{1000};
// The timer's tag once it has fired: the close is granted.
constexpr int kForcedClose = 5;
const char* const kInterruptQuestion = "Do you really want to interrupt FLASH-memory programming ??";

// The rows after the shared ones.
const std::array<const char*, 2> kOwnDeviceRows{"KZ# SREC", "KZ# CRYPT"};

constexpr int kSRecordRow = 0;
constexpr int kNmsRow = 1;
constexpr int kFirstOemRow = 2;
constexpr int kLastOemRow = 13;

std::string directoryOf(const std::string& fileName) {
    return std::filesystem::path(fileName).parent_path().string();
}

std::string namePartOf(const std::string& fileName) {
    return std::filesystem::path(fileName).filename().string();
}

// Sets the three crystal buttons; none checked is allowed (the engines then keep
// their clock).
void setRadios(std::initializer_list<std::pair<QRadioButton*, bool>> states) {
    for (const auto& [button, checked] : states) {
        button->setAutoExclusive(false);
        button->setChecked(checked);
        button->setAutoExclusive(true);
    }
}

void colourBox(QGroupBox* box, bool failed) {
    QPalette palette = box->parentWidget()->palette();
    if (failed)
        palette.setColor(QPalette::Window, Qt::red);
    box->setAutoFillBackground(failed);
    box->setPalette(palette);
}

std::string channelText(const QComboBox* box) {
    return box->currentIndex() < 0 ? std::string() : toLatin1(box->currentText().trimmed());
}

// The run and the result text of each engine family.
uint32_t runOf(CMassFlash& engine) {
    return engine.FlashH8_3048();
}

uint32_t runOf(CMassFlash_3069& engine) {
    return engine.FlashH8_3069();
}

uint32_t runOf(CMassFlash_KZ_K10& engine) {
    return engine.FlashKZ_K10();
}

std::string textOf(const CMassFlash& engine) {
    return FlashErrorText(engine.Result, engine.Port);
}

std::string textOf(const CMassFlash_3069& engine) {
    return FlashErrorText3069(engine.Result, engine.LoaderProgress);
}

std::string textOf(const CMassFlash_KZ_K10& engine) {
    return FlashErrorTextKZ_K10(engine.Result, engine.LoaderProgress);
}

// Calls visit with the channel's engine of the family.
template <typename Channel, typename Visit>
auto withEngine(FlashFamily family, Channel& channel, Visit visit) {
    switch (family) {
    case FlashFamily::H8_3069:
        return visit(channel.h8_3069);
    case FlashFamily::K10:
        return visit(channel.k10);
    case FlashFamily::H8_3048:
        break;
    }
    return visit(channel.h8_3048);
}

milliseconds reportDelay(FlashFamily family, int channel) {
    return milliseconds(family == FlashFamily::H8_3048 ? channel * 50 + 20 : channel * 150 + 20);
}
} // namespace

TCMultiFlashDlg::TCMultiFlashDlg(QWidget* owner) : QMainWindow(owner) {
    Build(0);
}

TCMultiFlashDlg::TCMultiFlashDlg(QWidget* owner, int instance) : QMainWindow(owner) {
    Build(instance);
}

TCMultiFlashDlg::~TCMultiFlashDlg() {
    StopAndWaitForWorkers();
}

void TCMultiFlashDlg::Build(int instance) {
    setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    kayta = {kayta1, kayta2, kayta3, kayta4};
    portti_id = {portti_id1, portti_id2, portti_id3, portti_id4};
    loader = {loader1, loader2, loader3, loader4};
    softa = {softa1, softa2, softa3, softa4};
    channelBox = {GroupBox1, GroupBox2, GroupBox3, GroupBox4};
    const std::array<QAction*, kFlashChannels> ownItems{MultiFlash1, MultiFlash21, MultiFlash31,
                                                        MultiFlash41};
    if (instance >= 1 && instance <= kFlashChannels) {
        if (Pohjafrm->DsrMode())
            for (QWidget* control : std::initializer_list<QWidget*>{Update, veryslow, Devicelist,
                                                                    SpeedSelection, freq_var, kidetaajuus})
                control->setEnabled(false);
        freq_24->setChecked(true);
        instance_ = instance;
        ownItems[instance - 1]->setVisible(false);
        ownItems[instance - 1]->setEnabled(false);
    }
    FillDeviceList();
    BootFile->setVisible(false);
    BootFile->setEnabled(false);
    BootSection->setVisible(false);
    if (Pohjafrm->BootFlashMode()) {
        BootFile->setVisible(true);
        BootFile->setEnabled(true);
        BootSection->setVisible(true);
        bootFileName.clear();
    }
    Devicelist->setEnabled(false);
    pakko = new QTimer(this);
    pakko->setObjectName("pakko");
    pakko->setInterval(kForcedCloseDelay);
    connect(pakko, &QTimer::timeout, this, &TCMultiFlashDlg::pakkoTimer);
    GroupBox5->installEventFilter(this);
    const QStringList ports = fromLatin1(Pohjafrm->ListSerialPorts()).split(',');
    for (PortComboBox* box : portti_id) {
        box->addItems(ports);
        connect(box, &PortComboBox::aboutToDropDown, this, [this, box] { portti_id1DropDown(box); });
    }
    ConnectControls();
    QMdiSubWindow* child = Pohjafrm->MdiArea()->addSubWindow(this);
    child->setAttribute(Qt::WA_DeleteOnClose);
    FormCreate();
    child->show();
}

void TCMultiFlashDlg::ConnectControls() {
    connect(Luetiedosto, &QPushButton::clicked, this, &TCMultiFlashDlg::LuetiedostoClick);
    connect(Flash_tiedosto, &QPushButton::clicked, this, &TCMultiFlashDlg::Flash_tiedostoClick);
    connect(peruuta, &QPushButton::clicked, this, &TCMultiFlashDlg::peruutaClick);
    connect(BootFile, &QPushButton::clicked, this, &TCMultiFlashDlg::BootFileClick);
    connect(Devicelist, &QComboBox::activated, this, &TCMultiFlashDlg::DevicelistSelect);
    // Boxes that the code sets run their handlers as a click would.
    connect(Update, &QCheckBox::toggled, this, &TCMultiFlashDlg::UpdateClick);
    connect(h8_3069, &QCheckBox::toggled, this, &TCMultiFlashDlg::h8_3069Click);
    connect(KZmodule, &QCheckBox::toggled, this, &TCMultiFlashDlg::KZmoduleClick);
    connect(Tiedosto1, &QMenu::aboutToShow, this, &TCMultiFlashDlg::Tiedosto1Click);
    connect(NewPort1, &QAction::triggered, this, &TCMultiFlashDlg::NewPort1Click);
    connect(Suljeflash1, &QAction::triggered, this, [this] { CloseMdiChild(this); });
    connect(Lopeta1, &QAction::triggered, this, [] { Pohjafrm->CloseMainWindow(); });
    const std::array<QAction*, kFlashChannels> instances{MultiFlash1, MultiFlash21, MultiFlash31,
                                                         MultiFlash41};
    for (int n = 0; n < kFlashChannels; ++n)
        connect(instances[n], &QAction::triggered, this, [this, n] { MultiFlashClick(n + 1); });
}

void TCMultiFlashDlg::FormCreate() {
    portti_id1->setCurrentIndex(kFirstPortItem < portti_id1->count() ? kFirstPortItem : -1);
    LoadMultiFlashSettings();
}

void TCMultiFlashDlg::FillDeviceList() {
    Devicelist->clear();
    for (const char* row : kSharedDeviceRows)
        Devicelist->addItem(row);
    for (const char* row : kOwnDeviceRows)
        Devicelist->addItem(row);
    Devicelist->setItemText(kFirstOemRow, Devicelist->itemText(kFirstOemRow) + ' ');
}

// ---- Settings ----

void TCMultiFlashDlg::LoadMultiFlashSettings() {
    std::array<int, kFlashChannels> counts{};
    for (int c = 0; c < kFlashChannels; ++c)
        counts[c] = portti_id[c]->count();
    const MultiFlashSettings settings =
        ReadMultiFlashSettings(TIniFile(SettingsFileName()), instance_, counts);
    for (int c = 0; c < kFlashChannels; ++c) {
        kayta[c]->setChecked(settings.enabled[c]);
        portti_id[c]->setCurrentIndex(settings.portIndex[c] < counts[c] ? settings.portIndex[c] : -1);
    }
    initialDir_ = settings.initialDir;
    fileName = settings.fileName;
    if (!fileName.empty())
        ApplyChosenFile();
    filterIndex_ = settings.filterIndex;
    h8_3069->setChecked(settings.h8_3069);
    KZmodule->setChecked(settings.kzModule);
    setRadios({{freq_24, settings.freq24}, {freq_33, settings.freq33}, {freq_var, settings.freqVar}});
    kidetaajuus->setValue(settings.crystalHz);
    Devicelist->setCurrentIndex(settings.deviceRow < Devicelist->count() ? settings.deviceRow : -1);
    SpeedSelection->setChecked(settings.speedSelection);
    DevicelistSelect();
}

MultiFlashSettings TCMultiFlashDlg::CurrentSettings() const {
    MultiFlashSettings settings;
    for (int c = 0; c < kFlashChannels; ++c) {
        settings.portIndex[c] = portti_id[c]->currentIndex();
        settings.enabled[c] = kayta[c]->isChecked();
    }
    settings.fileName = fileName;
    settings.filterIndex = filterIndex_;
    settings.h8_3069 = h8_3069->isChecked();
    settings.kzModule = KZmodule->isChecked();
    settings.freq24 = freq_24->isChecked();
    settings.freq33 = freq_33->isChecked();
    settings.freqVar = freq_var->isChecked();
    settings.crystalHz = kidetaajuus->value();
    settings.deviceRow = Devicelist->currentIndex();
    settings.speedSelection = SpeedSelection->isChecked();
    return settings;
}

bool TCMultiFlashDlg::SaveMultiFlashSettings() {
    TIniFile ini(SettingsFileName());
    return WriteMultiFlashSettings(ini, instance_, CurrentSettings());
}

// ---- Controls ----

void TCMultiFlashDlg::DevicelistSelect() {
    const int row = Devicelist->currentIndex();
    if (row == kSRecordRow || (row >= kFirstOemRow && row <= kLastOemRow)) {
        setRadios({{freq_24, true}, {freq_33, false}, {freq_var, false}});
        SpeedSelection->setChecked(false);
        SpeedSelection->setEnabled(false);
    } else if (row == kNmsRow) {
        setRadios({{freq_24, false}, {freq_33, true}, {freq_var, false}});
        SpeedSelection->setChecked(true);
        SpeedSelection->setEnabled(true);
    }
}

void TCMultiFlashDlg::UpdateClick() {
    Devicelist->setEnabled(Update->isChecked());
}

void TCMultiFlashDlg::h8_3069Click() {
    const bool dsr = Pohjafrm->DsrMode();
    if (h8_3069->isChecked()) {
        if (!dsr) {
            if (Update->isChecked())
                Devicelist->setEnabled(true);
            veryslow->setVisible(true);
        }
        KZmodule->setChecked(false);
        return;
    }
    if (!dsr)
        SpeedSelection->setEnabled(true);
    veryslow->setChecked(false);
    veryslow->setVisible(false);
    if (!KZmodule->isChecked())
        Devicelist->setEnabled(false);
}

void TCMultiFlashDlg::KZmoduleClick() {
    if (KZmodule->isChecked()) {
        veryslow->setVisible(false);
        h8_3069->setChecked(false);
        Devicelist->setEnabled(false);
    } else if (Update->isChecked()) {
        Devicelist->setEnabled(true);
    }
}

void TCMultiFlashDlg::portti_id1DropDown(QComboBox* box) {
    const QString current = box->currentText();
    box->clear();
    box->addItems(fromLatin1(Pohjafrm->ListSerialPorts()).split(','));
    box->setCurrentIndex(box->findText(current));
}

bool TCMultiFlashDlg::eventFilter(QObject* watched, QEvent* event) {
    // The name is split by the box's width, which the layout settles only once the
    // window is shown and placed.
    if (watched == GroupBox5 && event->type() == QEvent::Resize &&
        static_cast<QResizeEvent*>(event)->oldSize().width() != GroupBox5->width())
        ShowSoftwareName();
    return QMainWindow::eventFilter(watched, event);
}

void TCMultiFlashDlg::LuetiedostoClick() {
    const std::string filter =
        KZmodule->isChecked()
            ? "NXP K10 Flash crypt file(*.sf1)|*.sf1|NXP K10 Flash Files (*.srec)|*.srec"
            : "Hitachi Flash Files (*.a?\?)|*.a?\?|GCC Flash file (*.rec)|*.rec|All Files|*.*";
    FileDialogRequest request{false, "Open file to flash", filter, "", fileName, initialDir_, filterIndex_};
    const auto chosen = ChooseFileNameAndFilter(this, request);
    if (!chosen)
        return;
    filterIndex_ = request.filterIndex;
    TakeFile(*chosen);
}

// The window shows the file it will load and takes the file's device row, whether
// the technician chose it or remote use named it.
void TCMultiFlashDlg::TakeFile(const std::string& file) {
    fileName = file;
    initialDir_ = directoryOf(fileName);
    ApplyChosenFile();
    DevicelistSelect();
}

// Restoring the settings does this too, but leaves the device-list handler to its
// end, when the saved row is in place.
void TCMultiFlashDlg::ApplyChosenFile() {
    Flash_tiedosto->setEnabled(true);
    setWindowTitle(fromLatin1(fileName));
    if (LowerCaseExtension(fileName) == ".rec")
        Devicelist->setCurrentIndex(kNmsRow);
    else if (Devicelist->currentIndex() == kNmsRow)
        Devicelist->setCurrentIndex(kSRecordRow);
    ShowSoftwareName();
}

// The file's name in two parts, each as long as fits in the box; the rest is not
// shown.
void TCMultiFlashDlg::ShowSoftwareName() {
    if (fileName.empty())
        return;
    const QString text = fromLatin1(namePartOf(fileName));
    const QFontMetrics metrics(sw_name->font());
    const int limit = GroupBox5->width() - kNameMargin;
    int at = 0;
    const auto part = [&] {
        QString fitted;
        while (at < text.size() && metrics.horizontalAdvance(fitted + text[at]) < limit)
            fitted += text[at++];
        return fitted;
    };
    const QString first = part() + ' ';
    sw_name->setText(first + part());
}

void TCMultiFlashDlg::BootFileClick() {
    const auto chosen = ChooseFileName(
        this, {false, "Open Boot file", "Select Boot section|*.a37", "", bootFileName, bootInitialDir_});
    if (!chosen)
        return;
    bootFileName = *chosen;
    Flash_tiedosto->setEnabled(true);
    bootInitialDir_ = directoryOf(bootFileName);
}

void TCMultiFlashDlg::Tiedosto1Click() {
    NewPort1->setVisible(Pohjafrm->FactoryMode());
}

void TCMultiFlashDlg::NewPort1Click() {
    Pohjafrm->OpenTerminalWindow();
}

void TCMultiFlashDlg::MultiFlashClick(int instance) {
    Pohjafrm->OpenMultiFlashWindow(instance);
}

void TCMultiFlashDlg::peruutaClick() {
    if (!Flash_tiedosto->isEnabled() && !fileName.empty())
        peruuta->setEnabled(false);
    else
        CloseMdiChild(this);
}

void TCMultiFlashDlg::keyPressEvent(QKeyEvent* event) {
    if (!PressCancelButton(event, {peruuta}))
        QMainWindow::keyPressEvent(event);
}

void TCMultiFlashDlg::SetCancelEnabled() {
    peruuta->setEnabled(false);
}

// ---- Start of a load ----

MultiFlashChoices TCMultiFlashDlg::Choices() const {
    MultiFlashChoices choices;
    for (int c = 0; c < kFlashChannels; ++c)
        choices.channels[c] = {kayta[c]->isChecked(), channelText(portti_id[c])};
    choices.h8_3069 = h8_3069->isChecked();
    choices.kzModule = KZmodule->isChecked();
    choices.update = Update->isChecked();
    choices.speedSelection = SpeedSelection->isChecked();
    choices.veryslow = veryslow->isChecked();
    choices.freq24 = freq_24->isChecked();
    choices.freq33 = freq_33->isChecked();
    choices.freqVar = freq_var->isChecked();
    choices.crystalHz = kidetaajuus->value();
    choices.deviceRow = Devicelist->currentIndex();
    choices.dsrMode = Pohjafrm->DsrMode();
    choices.bootSection = Pohjafrm->BootFlashMode() && BootSection->isChecked();
    choices.bootFileName = bootFileName;
    choices.fileName = fileName;
    return choices;
}

// A start refused by a check shows its box and leaves the program open, in remote
// use too: the technician can mend the choice and start again. Remote use counts
// as failed until a load has ended well: a refused start, an interrupted load and
// a program closed meanwhile all end with failure.
bool TCMultiFlashDlg::Flash_tiedostoClick() {
    if (remoteUse_)
        Pohjafrm->SetExitStatus(1);
    return StartLoad();
}

bool TCMultiFlashDlg::StartLoad() {
    if (loading_)
        return false;
    const MultiFlashChoices choices = Choices();
    const auto refusal = CheckMultiFlashChoices(choices);
    if (!refusal || refusal->afterReset)
        ResetLastResult();
    if (refusal) {
        if (refusal->clearChannel >= 0)
            kayta[refusal->clearChannel]->setChecked(false);
        if (!refusal->text.empty())
            ShowMessage(refusal->text);
        return false;
    }
    if (!SaveMultiFlashSettings())
        ShowMessage(kSettingsWriteFailed);
    TakeChannelPorts();
    FlashWindowClock().Sleep(kAfterTakingPorts);
    firmware_ = {};
    auto read = ReadMultiFlashFirmware(choices);
    if (const auto* refusal = std::get_if<FlashRefusal>(&read)) {
        if (!refusal->text.empty())
            ShowMessage(refusal->text);
        ReturnChannelPorts();
        return false;
    }
    firmware_ = std::move(std::get<MultiFlashFirmware>(read));
    HoldLoadChoices();
    loading_ = true;
    loadFamily_ = firmware_.family;
    for (int c = 0; c < kFlashChannels; ++c)
        loadChannels_[c] = choices.channels[c].enabled;
    FillEngines(MultiFlashInputs(choices, firmware_));
    StartWorkers();
    return true;
}

// The red channels and the sound of the last load go once the channel and family
// checks have passed, whether or not the later checks refuse the start.
void TCMultiFlashDlg::ResetLastResult() {
    for (QGroupBox* box : channelBox)
        colourBox(box, false);
    StopWaveFile();
}

void TCMultiFlashDlg::FillEngines(const MultiFlashEngineInputs& inputs) {
    for (int c = 0; c < kFlashChannels; ++c) {
        Channel& channel = channels_[c];
        channel.done = !loadChannels_[c];
        if (!loadChannels_[c])
            continue;
        channel.host = std::make_unique<FlashWindowHost>(
            this, loader[c], softa[c], [this, c] { return StopRequested(c); }, remoteUse_);
        switch (loadFamily_) {
        case FlashFamily::H8_3048:
            FillH8_3048(channel.h8_3048, inputs, c);
            break;
        case FlashFamily::H8_3069:
            FillH8_3069(channel.h8_3069, inputs, c);
            break;
        case FlashFamily::K10:
            FillK10(channel.k10, inputs, c);
            break;
        }
        loader[c]->setMaximum(static_cast<int>(InitSteps(c)));
        softa[c]->setMaximum(static_cast<int>(firmware_.imageLength));
    }
}

void TCMultiFlashDlg::FillH8_3048(CMassFlash& engine, const MultiFlashEngineInputs& inputs, int channel) {
    engine.Data = firmware_.image.data();
    engine.DataLength = firmware_.imageLength;
    engine.Port = *inputs.ports[channel];
    engine.UpdateMode = inputs.updateMode;
    engine.HighSpeed = inputs.highSpeed;
    engine.Encrypted = 0;
    engine.StopRequested = 0;
    engine.Host = channels_[channel].host.get();
    engine.Clock = &FlashWindowClock();
    engine.Result = kChannelNotReported;
}

void TCMultiFlashDlg::FillH8_3069(CMassFlash_3069& engine, const MultiFlashEngineInputs& inputs,
                                  int channel) {
    engine.Image = firmware_.image.data();
    engine.ImageLength = firmware_.imageLength;
    engine.BootImage = firmware_.bootImage.empty() ? nullptr : firmware_.bootImage.data();
    engine.BootImageLength = firmware_.bootImageLength;
    engine.Port = *inputs.ports[channel];
    engine.UpdateMode = inputs.updateMode;
    engine.Select3069 = 1;
    engine.AskOnMismatch = 1;
    engine.SpeedIndex = inputs.speedIndex;
    if (inputs.clockHz)
        engine.ClockHz = *inputs.clockHz;
    engine.DeviceRow = inputs.deviceRow;
    engine.NmsKind = kUnknownNmsKind;
    engine.DsrCheck = inputs.dsrCheck;
    engine.FileId.clear();
    engine.StopRequested = 0;
    engine.Host = channels_[channel].host.get();
    engine.Clock = &FlashWindowClock();
    engine.Result = kChannelNotReported;
}

void TCMultiFlashDlg::FillK10(CMassFlash_KZ_K10& engine, const MultiFlashEngineInputs& inputs, int channel) {
    engine.Image = firmware_.image.data();
    engine.ImageLength = firmware_.imageLength;
    engine.Port = *inputs.ports[channel];
    engine.UpdateMode = inputs.updateMode;
    engine.CheckModuleId = 1;
    engine.SpeedIndex = static_cast<uint32_t>(inputs.speedIndex);
    engine.FileKind = inputs.fileKind;
    engine.DsrCheck = inputs.dsrCheck;
    engine.FileId = firmware_.fileId;
    engine.StopRequested = 0;
    engine.Host = channels_[channel].host.get();
    engine.Clock = &FlashWindowClock();
    engine.Result = kChannelNotReported;
}

void TCMultiFlashDlg::StartWorkers() {
    for (int c = 0; c < kFlashChannels; ++c) {
        Channel& channel = channels_[c];
        if (!loadChannels_[c]) {
            SetResult(c, kChannelDisabled);
            continue;
        }
        channel.worker = std::make_unique<FlashWorker>(
            this, static_cast<WPARAM>(c), reportDelay(loadFamily_, c), [this, c] { return RunEngine(c); },
            [this, c](uint32_t code) { SetResult(c, code); });
        if (!channel.worker->Start()) {
            // The channel ends at once with a failure, so the load still completes.
            channel.worker.reset();
            ShowMessage("S\xE4"
                        "e " +
                        std::to_string(c + 1) + " ei aukea ");
            SetResult(c, kChannelNotReported);
            PostMessage(this, WM_FLASH_DONE, static_cast<WPARAM>(c));
        }
    }
}

// ---- Engines of the running load's family ----

uint32_t TCMultiFlashDlg::RunEngine(int channel) {
    return withEngine(loadFamily_, channels_[channel], [](auto& engine) { return runOf(engine); });
}

uint32_t TCMultiFlashDlg::ResultOf(int channel) const {
    return withEngine(loadFamily_, channels_[channel],
                      [](const auto& engine) { return engine.Result.load(); });
}

void TCMultiFlashDlg::SetResult(int channel, uint32_t code) {
    withEngine(loadFamily_, channels_[channel], [code](auto& engine) { engine.Result = code; });
}

std::string TCMultiFlashDlg::ResultText(int channel) const {
    return withEngine(loadFamily_, channels_[channel], [](const auto& engine) { return textOf(engine); });
}

void TCMultiFlashDlg::RequestStop(int channel) {
    withEngine(loadFamily_, channels_[channel], [](auto& engine) { engine.StopRequested = 1; });
}

bool TCMultiFlashDlg::StopRequested(int channel) const {
    return withEngine(loadFamily_, channels_[channel],
                      [](const auto& engine) { return engine.StopRequested != 0; });
}

uint32_t TCMultiFlashDlg::InitSteps(int channel) const {
    return withEngine(loadFamily_, channels_[channel],
                      [](const auto& engine) { return engine.GetInitSteps(); });
}

// ---- Completion ----

bool TCMultiFlashDlg::event(QEvent* event) {
    if (const WindowMessage* message = WindowMessage::from(event)) {
        switch (message->number()) {
        case WM_FLASH_DONE:
            OnChannelFinished(message->wParam());
            return true;
        case WM_FLASH_LOCK_CANCEL:
            SetCancelEnabled();
            return true;
        default:
            break;
        }
    }
    return QMainWindow::event(event);
}

void TCMultiFlashDlg::OnChannelFinished(WPARAM channel) {
    if (closing_ || !loading_)
        return;
    if (channel >= kFlashChannels) {
        ShowMessage("Lopetuksessa meni indeksi yli ");
        return;
    }
    channels_[channel].done = true;
    // While the interrupt question is open the load completes after its answer.
    if (!asking_ && AllChannelsReported())
        CompleteLoad();
}

bool TCMultiFlashDlg::AllChannelsReported() const {
    return std::all_of(channels_.begin(), channels_.end(), [](const Channel& each) { return each.done; });
}

void TCMultiFlashDlg::CompleteLoad() {
    LoadOutcome outcome;
    try {
        outcome = CollectResults();
    } catch (const std::exception&) {
        // The load still ends: the window comes back and the ports go back.
        loading_ = false;
        ShowMessage("Unknown error at ending multiflash windows !!");
        ReturnToIdle();
        return;
    }
    FinishLoad(outcome);
}

// The summary of the four channels. A failed channel turns red while its box is
// checked; it makes the result sound the failure's in the H8/3048 family, in the
// others only while its box is checked; any failed channel fails remote use.
TCMultiFlashDlg::LoadOutcome TCMultiFlashDlg::CollectResults() {
    LoadOutcome outcome{"All channels\r\n"};
    for (int c = 0; c < kFlashChannels; ++c) {
        const uint32_t code = ResultOf(c);
        channels_[c].worker.reset();
        channels_[c].host.reset();
        // A loaded channel stands at the end of its program bar while the summary is
        // open: an engine's last progress may fall short of the bar's maximum.
        if (code == 0)
            softa[c]->setValue(softa[c]->maximum());
        const bool failed = code >= 1 && code < kChannelDisabled;
        const bool shown = failed && kayta[c]->isChecked();
        if (shown)
            colourBox(channelBox[c], true);
        outcome.soundFailed = outcome.soundFailed || (loadFamily_ == FlashFamily::H8_3048 ? failed : shown);
        outcome.remoteFailed = outcome.remoteFailed || failed;
        outcome.summary += "Port" + std::to_string(c + 1) + ": " + ResultText(c) + "\r\n";
    }
    return outcome;
}

void TCMultiFlashDlg::FinishLoad(const LoadOutcome& outcome) {
    loading_ = false;
    if (remoteUse_) {
        if (outcome.remoteFailed)
            ShowMessage(outcome.summary);
        EndRemoteUse(outcome.remoteFailed ? 1 : 0);
    } else {
        const std::string sound = ProgramFile(outcome.soundFailed ? "error.wav" : "ok.wav");
        if (std::filesystem::exists(sound))
            PlayWaveFile(sound);
        MessageBox(outcome.summary, "Information", MB_OK | MB_TOPMOST);
    }
    ReturnToIdle();
}

// The file, boot file, channels, ports and options; afterwards each goes back to
// what its own rules gave it (DSR mode, the family, the device row).
void TCMultiFlashDlg::HoldLoadChoices() {
    std::vector<QWidget*> controls{Luetiedosto, Flash_tiedosto, BootFile,    Update,      SpeedSelection,
                                   veryslow,    h8_3069,        KZmodule,    BootSection, freq_24,
                                   freq_33,     freq_var,       kidetaajuus, Devicelist};
    controls.insert(controls.end(), kayta.begin(), kayta.end());
    controls.insert(controls.end(), portti_id.begin(), portti_id.end());
    heldChoices_.Hold(*this, controls);
}

void TCMultiFlashDlg::ReturnToIdle() {
    for (int c = 0; c < kFlashChannels; ++c) {
        loader[c]->setValue(0);
        softa[c]->setValue(0);
    }
    heldChoices_.Release();
    peruuta->setEnabled(true);
    FlashWindowClock().Sleep(kBeforeReturningPorts);
    ReturnChannelPorts();
}

void TCMultiFlashDlg::EndRemoteUse(int status) {
    Pohjafrm->SetExitStatus(status);
    PostMessage(Pohjafrm->Window(), WM_CLOSE);
}

void TCMultiFlashDlg::TakeChannelPorts() {
    takenPorts_.clear();
    for (int c = 0; c < kFlashChannels; ++c) {
        const int port = kayta[c]->isChecked() ? ComPortNumber(channelText(portti_id[c])) : 0;
        if (port == 0)
            continue;
        Pohjafrm->ReleaseTerminalPort(port);
        takenPorts_.push_back(port);
    }
}

// The ports taken for the load go back, whatever the boxes show now.
void TCMultiFlashDlg::ReturnChannelPorts() {
    for (const int port : takenPorts_)
        Pohjafrm->RestoreTerminalPort(port);
    takenPorts_.clear();
}

// ---- Remote use ----

void TCMultiFlashDlg::RemoteStartFlash(int portDigit, int channelMaskDigit, const std::string& file,
                                       int updateDigit) {
    if (const auto problem = UnloadableFileText(file, "File does not exists !! " + file)) {
        MessageBox(*problem, "", MB_OK | MB_ICONWARNING);
        EndRemoteUse(1);
        return;
    }
    remoteUse_ = true;
    TakeFile(file);
    Update->setChecked(updateDigit != 0);
    portti_id1->setCurrentIndex(portDigit - 1 < portti_id1->count() ? portDigit - 1 : -1);
    for (int c = 0; c < kFlashChannels; ++c)
        kayta[c]->setChecked((channelMaskDigit >> c) & 1);
    Flash_tiedostoClick();
}

// ---- Close ----

void TCMultiFlashDlg::closeEvent(QCloseEvent* event) {
    if (closing_ || !FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

QWidget* TCMultiFlashDlg::WorkingControl() {
    return LastUsedControl(*this, portti_id[0]);
}

bool TCMultiFlashDlg::FormCloseQuery() {
    if (pakkoTag_ == kForcedClose)
        return true;
    if (!loading_) {
        firmware_ = {};
        return true;
    }
    asking_ = true;
    const bool yes = MessageBox(kInterruptQuestion, "", MB_YESNOCANCEL | MB_ICONWARNING) == IDYES;
    asking_ = false;
    // A load that ended while the question was open shows its summary now; with no
    // load running, a Yes only closes the window.
    if (loading_ && AllChannelsReported())
        CompleteLoad();
    if (!yes)
        return false;
    if (loading_) {
        StopAndWaitForWorkers();
        loading_ = false;
        ReturnChannelPorts();
        pakko->start();
    }
    firmware_ = {};
    return true;
}

// Closes the window a second after an interrupted load, should the granted close
// not have taken it away.
void TCMultiFlashDlg::pakkoTimer() {
    pakko->stop();
    pakkoTag_ = kForcedClose;
    CloseMdiChild(this);
}

// Every engine of the load is told to stop and every worker has ended before the
// engines or the image can go.
void TCMultiFlashDlg::StopAndWaitForWorkers() {
    closing_ = true;
    for (int c = 0; c < kFlashChannels; ++c)
        if (channels_[c].worker)
            RequestStop(c);
    WaitForWorkers([this] {
        for (const Channel& channel : channels_)
            if (channel.worker && !channel.worker->Finished())
                return false;
        return true;
    });
    for (Channel& channel : channels_) {
        channel.worker.reset();
        channel.host.reset();
    }
    closing_ = false;
}

void TCMultiFlashDlg::FormClose() {
    closing_ = true;
    closed_ = true;
    StopWaveFile();
}

QMdiSubWindow* TCMultiFlashDlg::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}
