#pragma once
// "Project properties": the stay-on-top dialog of a routing project, in which the
// user names the network and chooses its id, routing type and the place of the
// address in the user's messages. It edits the properties of the designer it was
// shown for.

#include "designer/project_properties.h"

#include <QDialog>
#include <QPointer>

namespace Ui {
class Tprj_ominaisuus;
}
class Tpiirtopohja;

class Tprj_ominaisuus : public QDialog {
    Q_OBJECT
public:
    explicit Tprj_ominaisuus(QWidget* parent = nullptr);
    ~Tprj_ominaisuus() override;

    // Shows the designer's accepted values.
    void ShowFor(Tpiirtopohja* designer);
    // The same for a project just started with New: OK then gives the designer
    // its caption with the file part.
    void ShowNewProject(Tpiirtopohja* designer);
    // The designer's design goes (New, Open): the dialog closes unanswered, so
    // that its OK writes nothing of that design into the next.
    void CloseFor(const Tpiirtopohja* designer);

    // The values the controls hold now.
    ProjectProperties ControlValues() const;
    // Enables the offset and length for the chosen protocol and sets the length's
    // upper limit; with setDefaults also offset 0 and length 1.
    void ApplyProtocolPreset(bool setDefaults);

    void OKBtnClick();
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    // Escape is Cancel.
    void reject() override { CancelBtnClick(); }

private:
    void SetControls(const ProjectProperties& values);

    Ui::Tprj_ominaisuus* ui;
    QPointer<Tpiirtopohja> designer_;
    bool newProject_ = false;
};
