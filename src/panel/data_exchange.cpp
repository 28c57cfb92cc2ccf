#include "panel/data_exchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "core/notifier.h"
#include "panel/numeric_text.h"

namespace tesmira {

bool DataExchange::Active(const QWidget* control) const {
    if (!control || failed_)
        return false;
    return Saving() || control != skipped_;
}

void DataExchange::Refuse(QLineEdit* edit, const std::string& message) {
    failed_ = true;
    notifier_.Notify(message, MessageIcon::Exclamation);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

void DataExchange::Number(QLineEdit* edit, double& value) {
    ExchangeNumber(edit, value, nullptr);
}

void DataExchange::Number(QLineEdit* edit, double& value, double minimum, double maximum) {
    const Range range{minimum, maximum};
    ExchangeNumber(edit, value, &range);
}

void DataExchange::ExchangeNumber(QLineEdit* edit, double& value, const Range* range) {
    if (!Active(edit))
        return;
    if (!Saving()) {
        edit->setText(QString::fromStdString(FormatDecimal(value)));
        return;
    }
    const std::optional<double> parsed = ParseDecimal(edit->text().toStdString());
    if (!range && !parsed)
        return Refuse(edit, NotANumberMessage());
    if (range && (!parsed || *parsed < range->minimum || *parsed > range->maximum))
        return Refuse(edit, RangeMessage(range->minimum, range->maximum));
    value = *parsed;
}

void DataExchange::Check(QAbstractButton* box, bool& value) {
    if (!Active(box))
        return;
    if (Saving()) {
        value = box->isChecked();
    } else {
        box->setChecked(value);
    }
}

void DataExchange::Radio(const std::vector<QAbstractButton*>& group, int& index) {
    if (group.empty() || !Active(group.front()))
        return;
    if (Saving()) {
        index = -1;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (group[i] && group[i]->isChecked())
                index = static_cast<int>(i);
        }
        return;
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (!group[i])
            continue;
        // Auto-exclusive radios refuse to be unchecked one by one; lift that while setting.
        const bool exclusive = group[i]->autoExclusive();
        group[i]->setAutoExclusive(false);
        group[i]->setChecked(static_cast<int>(i) == index);
        group[i]->setAutoExclusive(exclusive);
    }
}

void DataExchange::ComboIndex(QComboBox* combo, int& index) {
    if (!Active(combo))
        return;
    if (Saving()) {
        index = combo->currentIndex();
    } else {
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    }
}

void DataExchange::ComboText(QComboBox* combo, std::string& text) {
    if (!Active(combo))
        return;
    if (Saving()) {
        text = combo->currentText().toStdString();
    } else {
        const int found = combo->findText(QString::fromStdString(text));
        if (found >= 0)
            combo->setCurrentIndex(found);
    }
}

void DataExchange::Static(QLabel* label, const std::string& text) {
    if (!Active(label) || Saving())
        return;
    const QString shown = QString::fromStdString(text);
    if (label->text() != shown)
        label->setText(shown);
}

}  // namespace tesmira
