#pragma once
// The single firmware window "Flash Update": loads new firmware into one modem on
// one COM port. The chosen file's extension decides the engine (H8/3048, or H8/3069
// and the later models), the device row and whether the file is a protected one;
// Flash checks the key and the file (single_flash_load.h), fills the engine and
// runs it on a worker thread, and the engine's result ends in a box.

#include "firmware/cmassflash.h"
#include "firmware/cmassflash_3069.h"
#include "firmware/flash_window_host.h"
#include "firmware/flash_worker.h"
#include "firmware/load_choices_hold.h"
#include "firmware/single_flash_load.h"
#include "shell/close_query.h"
#include "shell/mdi_child.h"
#include "ui_tcsingleflashdlg.h"

#include <QMainWindow>
#include <memory>
#include <string>

class TCSingleFlashDlg : public QMainWindow,
                         public Ui::TCSingleFlashDlg,
                         public CloseQuery,
                         public WorkingControlOwner {
    Q_OBJECT
public:
    explicit TCSingleFlashDlg(QWidget* owner);
    // Stops and waits for a running load before the engines go.
    ~TCSingleFlashDlg() override;

    bool Loading() const { return loading_; }
    // Closed, and gone once the events queued before the close have run.
    bool Closed() const { return closed_; }

    void FormCreate();
    void LuetiedostoClick();
    // Starts a load; false when it was refused.
    bool Flash_tiedostoClick();
    void h8_3069Click();
    void OnFlashDone();
    void DisableCancel();
    // While a load runs, asks whether to interrupt it: Yes asks the engine to stop
    // and keeps the window for the result; the window may close only when no load
    // runs. The main window asks this too when it closes.
    bool FormCloseQuery() override;
    QWidget* WorkingControl() override { return LastUsedControl(*this, portti_id); }

    // The file chosen in the open dialog "Open file to flash".
    std::string fileName;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LoadFlashSettings();
    SingleFlashChoices Choices() const;
    void StartEngine(SingleFlashLoad load);
    void FillH8_3048();
    void FillH8_3069();
    void StopAndWait();
    void ShowResult();
    void ShowPendingResult();

    CMassFlash Engine;
    CMassFlash_3069 Engine3069;
    std::unique_ptr<FlashWindowHost> host_;
    std::unique_ptr<FlashWorker> FlashThread;
    // The load the engine runs: its data stays here while it runs.
    SingleFlashLoad load_;
    SingleFlashFileKind kind_;
    LoadChoicesHold heldChoices_;
    std::string initialDir_;
    bool loading_ = false;
    // The window waits for its worker on the way out.
    bool closing_ = false;
    // The interrupt question is open, and a load ended while it was: its result
    // follows the answer.
    bool asking_ = false;
    bool resultPending_ = false;
    bool closed_ = false;
};
