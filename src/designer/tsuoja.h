#pragma once
// "Security level.": the stay-on-top dialog in which the user of a designer chooses
// the security level of modem programming. Levels 5 and 9 need their password;
// level 9 is offered only in factory mode.

#include <QDialog>
#include <QPointer>

namespace Ui {
class Tsuoja;
}
class Tpiirtopohja;

class Tsuoja : public QDialog {
    Q_OBJECT
public:
    explicit Tsuoja(QWidget* parent = nullptr);
    ~Tsuoja() override;

    void ShowFor(Tpiirtopohja* designer);
    int CurrentLevel() const { return level_; }
    // "Level &9" is ticked, whatever its password gave.
    bool LevelNineTicked() const;

    void okClick();
    void poisClick();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void LevelChosen();
    // Each time the dialog becomes active: the current level's button is ticked and,
    // for levels 5 and 9, the password has the keyboard.
    void FormActivate();

    Ui::Tsuoja* ui;
    QPointer<Tpiirtopohja> designer_;
    int level_ = 0;
};
