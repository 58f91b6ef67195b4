#pragma once
// The multiple firmware window "MultiFlash Dialog": loads one firmware file into up
// to four modems at once, one per serial port (a flash channel), each channel with
// an engine of the chosen family on a worker thread of its own. Up to four
// instances (1 to 4) stand side by side, each with its own settings section; the
// terminal's variant has the number 0. Window 1 also runs the remote-use load.
//
// The window reads its controls and hands them to the load preparation
// (multi_flash_load.h); while a load runs it keeps the family, the channels and the
// ports it started with, so changes of the boxes cannot touch another family's
// engines, and every path out of a load gives the terminals their ports back.

#include "firmware/cmassflash.h"
#include "firmware/cmassflash_3069.h"
#include "firmware/cmassflash_kz_k10.h"
#include "firmware/flash_settings.h"
#include "firmware/flash_window_host.h"
#include "firmware/flash_worker.h"
#include "firmware/load_choices_hold.h"
#include "firmware/multi_flash_load.h"
#include "shell/close_query.h"
#include "shell/main_window_services.h"
#include "shell/mdi_child.h"
#include "ui_tcmultiflashdlg.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QMdiSubWindow;
class QTimer;
class WindowMessage;

class TCMultiFlashDlg : public QMainWindow,
                        public Ui::TCMultiFlashDlg,
                        public CloseQuery,
                        public WorkingControlOwner {
    Q_OBJECT
public:
    // The terminal's variant: instance number 0.
    explicit TCMultiFlashDlg(QWidget* owner);
    TCMultiFlashDlg(QWidget* owner, int instance);
    // Stops and waits for every worker before the engines go.
    ~TCMultiFlashDlg() override;

    int Instance() const { return instance_; }
    bool Loading() const { return loading_; }
    // Every channel of the load has reported its end.
    bool AllChannelsReported() const;
    // Closed, and gone once the events queued before the close have run.
    bool Closed() const { return closed_; }

    void FormCreate();
    void LuetiedostoClick();
    // Starts a load; false when it was refused.
    bool Flash_tiedostoClick();
    void DevicelistSelect();
    void UpdateClick();
    void h8_3069Click();
    void KZmoduleClick();
    void BootFileClick();
    void portti_id1DropDown(QComboBox* box);
    void peruutaClick();
    void Tiedosto1Click();
    void NewPort1Click();
    void MultiFlashClick(int instance);
    void OnChannelFinished(WPARAM channel);
    void SetCancelEnabled();
    void pakkoTimer();
    // While a load runs, asks whether to interrupt it: Yes stops every channel and
    // waits for it, and the window may close. The main window asks this too when it
    // closes.
    bool FormCloseQuery() override;
    QWidget* WorkingControl() override;

    // The remote-use load: port digit (an index into the sorted port list, from
    // 1), channel mask digit (bit 0 = channel 1), file and update digit.
    void RemoteStartFlash(int portDigit, int channelMaskDigit, const std::string& fileName, int updateDigit);

    // The files chosen in the open dialogs ("Open file to flash", "Open Boot file").
    std::string fileName;
    std::string bootFileName;

    std::array<QCheckBox*, kFlashChannels> kayta{};
    std::array<PortComboBox*, kFlashChannels> portti_id{};
    std::array<QProgressBar*, kFlashChannels> loader{};
    std::array<QProgressBar*, kFlashChannels> softa{};
    std::array<QGroupBox*, kFlashChannels> channelBox{};
    // One-shot close after an interrupted load.
    QTimer* pakko = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Channel {
        CMassFlash h8_3048;
        CMassFlash_3069 h8_3069;
        CMassFlash_KZ_K10 k10;
        std::unique_ptr<FlashWindowHost> host;
        std::unique_ptr<FlashWorker> worker;
        bool done = true;
    };

    void Build(int instance);
    void ConnectControls();
    void FillDeviceList();
    void LoadMultiFlashSettings();
    bool SaveMultiFlashSettings();
    void TakeFile(const std::string& file);
    void ApplyChosenFile();
    void ShowSoftwareName();
    MultiFlashChoices Choices() const;
    MultiFlashSettings CurrentSettings() const;
    bool StartLoad();
    void ResetLastResult();
    void FillEngines(const MultiFlashEngineInputs& inputs);
    void FillH8_3048(CMassFlash& engine, const MultiFlashEngineInputs& inputs, int channel);
    void FillH8_3069(CMassFlash_3069& engine, const MultiFlashEngineInputs& inputs, int channel);
    void FillK10(CMassFlash_KZ_K10& engine, const MultiFlashEngineInputs& inputs, int channel);
    void StartWorkers();
    struct LoadOutcome {
        std::string summary;
        bool soundFailed = false;
        bool remoteFailed = false;
    };
    void CompleteLoad();
    LoadOutcome CollectResults();
    void FinishLoad(const LoadOutcome& outcome);
    void HoldLoadChoices();
    void ReturnToIdle();
    void FormClose();
    void StopAndWaitForWorkers();
    void EndRemoteUse(int status);
    void TakeChannelPorts();
    void ReturnChannelPorts();
    QMdiSubWindow* subWindow() const;

    // Family-dependent engine operations.
    uint32_t RunEngine(int channel);
    uint32_t ResultOf(int channel) const;
    void SetResult(int channel, uint32_t code);
    std::string ResultText(int channel) const;
    void RequestStop(int channel);
    bool StopRequested(int channel) const;
    uint32_t InitSteps(int channel) const;

    int instance_ = 0;
    std::array<Channel, kFlashChannels> channels_;
    MultiFlashFirmware firmware_;
    // What the running load started with.
    FlashFamily loadFamily_ = FlashFamily::H8_3048;
    std::array<bool, kFlashChannels> loadChannels_{};
    std::vector<int> takenPorts_;
    // The controls held off while a load runs, with the state they get back.
    LoadChoicesHold heldChoices_;
    bool loading_ = false;
    bool closing_ = false;
    // The interrupt question is open.
    bool asking_ = false;
    bool remoteUse_ = false;
    std::string initialDir_;
    std::string bootInitialDir_;
    int filterIndex_ = 0;
    int pakkoTag_ = 0;
    bool closed_ = false;
};
