// One data-exchange pass between values and controls. Towards the controls every value is shown;
// from the controls each value is read and checked in turn, and the first refused entry shows a
// message naming what is allowed, takes the keyboard focus and ends the pass as failed (the
// values already read keep their new contents, later ones are left alone).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tesmira {

class INotifier;

class DataExchange {
public:
    enum class Direction { ToControls, FromControls };

    // Refused entries are told to the user through `notifier`.
    DataExchange(Direction direction, INotifier& notifier)
        : direction_(direction), notifier_(notifier) {}

    bool Saving() const { return direction_ == Direction::FromControls; }
    bool Failed() const { return failed_; }

    // A number without range (nothing to check but that it is one).
    void Number(QLineEdit* edit, double& value);
    // A number within minimum..maximum.
    void Number(QLineEdit* edit, double& value, double minimum, double maximum);
    void Check(QAbstractButton* box, bool& value);
    // A group of radio buttons and the index of the checked one (-1 when none is checked).
    void Radio(const std::vector<QAbstractButton*>& group, int& index);
    void ComboIndex(QComboBox* combo, int& index);
    void ComboText(QComboBox* combo, std::string& text);
    // Statics only ever show a value.
    void Static(QLabel* label, const std::string& text);

    // Controls that are not refreshed towards the controls (the one being edited keeps the text
    // the user is typing).
    void SetSkipped(const QWidget* control) { skipped_ = control; }

private:
    struct Range {
        double minimum, maximum;
    };
    void ExchangeNumber(QLineEdit* edit, double& value, const Range* range);
    bool Active(const QWidget* control) const;
    void Refuse(QLineEdit* edit, const std::string& message);

    Direction direction_;
    INotifier& notifier_;
    bool failed_ = false;
    const QWidget* skipped_ = nullptr;
};

}  // namespace tesmira
