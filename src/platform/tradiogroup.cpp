#include "platform/tradiogroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), grid_(new QGridLayout(this)), buttons_(new QButtonGroup(this)) {
    connect(buttons_, &QButtonGroup::idClicked, this, &TRadioGroup::itemClicked);
}

void TRadioGroup::setItems(const QStringList& items) {
    items_ = items;
    rebuild();
}

void TRadioGroup::addItem(const QString& item) {
    items_.append(item);
    rebuild();
}

void TRadioGroup::setColumns(int columns) {
    columns_ = std::max(1, columns);
    rebuild();
}

int TRadioGroup::itemIndex() const {
    return buttons_->checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    if (QAbstractButton* chosen = buttons_->button(index)) {
        chosen->setChecked(true);
        return;
    }
    // No position: clear the choice, which an exclusive group does not allow itself.
    if (QAbstractButton* checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
}

QRadioButton* TRadioGroup::button(int index) const {
    return static_cast<QRadioButton*>(buttons_->button(index));
}

// The buttons are made again for the new items; the position is kept when it is
// still in the list.
void TRadioGroup::rebuild() {
    const int kept = itemIndex();
    for (QAbstractButton* old : buttons_->buttons()) {
        buttons_->removeButton(old);
        delete old;
    }
    const int rows = (count() + columns_ - 1) / columns_;
    for (int i = 0; i < count(); ++i) {
        auto* radio = new QRadioButton(items_[i], this);
        buttons_->addButton(radio, i);
        grid_->addWidget(radio, i % rows, i / rows);
    }
    setItemIndex(kept);
}
