#pragma once
// The serial traffic status window: a small stay-on-top dialog in which the
// designer's modem programming and ping write their progress lines and, in
// factory mode, every frame sent and received as a line of hexadecimal escapes.
// One exists for the whole program, created at start-up and reached through
// the global info; it is only shown and hidden.

#include "designer/transfer_status.h"

#include <QDialog>
#include <string>

namespace Ui {
class Tinfo;
}
class QAction;
class QColor;
class QMenu;
class QTimer;

class Tinfo : public QDialog, public TransferStatusWindow {
    Q_OBJECT
public:
    static constexpr int kButtonDelayMs = 1000;

    explicit Tinfo(QWidget* parent = nullptr);
    ~Tinfo() override;

    // The frame's bytes as the window shows them: "\24\01...".
    static std::string DataLineText(const std::string& bytes);

    bool IsShown() const override { return isVisible(); }
    void ShowCentredEmpty() override;
    void AddStatusLine(const std::string& text) override;
    void AddStatusPair(const std::string& text) override;
    void AddStatusData(const std::string& bytes, uint32_t colour) override;
    void SetCaption(const std::string& text) override;
    void EnableStatusButtons(bool enabled) override;
    void StartButtonTimer() override;
    void RepaintNow() override;

    // The log as plain text, one line per status line.
    std::string LogText() const;

    void PiilotaTmrTimer();
    void closebtnClick();
    void saveasbtnClick();
    void Copy1Click();
    void Selectall1Click();

    Ui::Tinfo* ui;
    QTimer* PiilotaTmr;
    QMenu* PopupMenu1;
    QAction* Copy1;
    QAction* Selectall1;

private:
    void AppendLine(const std::string& text, const QColor& colour);
};

extern Tinfo* info;
