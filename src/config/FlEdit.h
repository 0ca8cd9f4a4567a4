#pragma once
#include "config/FloatEditModel.h"

#include <QLineEdit>

class QToolButton;

namespace vk {

// A one-line numeric field: a value within Min and Max shown with Digits decimals and the
// system's decimal separator; keystrokes that would leave a number within the range are
// refused. The rules are FloatEditModel's; this widget feeds it and shows its text.
class TCustomFloatEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TCustomFloatEdit(QWidget* parent = nullptr);

    FloatEditModel& model() { return model_; }
    const FloatEditModel& model() const { return model_; }

    int digits() const { return model_.Digits(); }
    void setDigits(int digits);
    double value() const { return static_cast<double>(model_.Value()); }
    void setValue(double v);
    double minValue() const { return static_cast<double>(model_.Min()); }
    double maxValue() const { return static_cast<double>(model_.Max()); }
    // Throw FloatEditModel::LimitError when the limits would cross.
    void setMinValue(double v);
    void setMaxValue(double v);
    void setErrorMessage(const QString& message);
    void setAutoSelect(bool on) { model_.AutoSelect = on; }
    // The separator is the system's from creation on; tests choose their own.
    void setDecimalSeparator(QChar separator);

    // Properties set between these are applied together, as when loaded from a design.
    void beginLoad() { model_.BeginLoad(); }
    void endLoad();

signals:
    // Enter was typed (OnEnterPress); the key still reaches the dialog's default button.
    void enterPressed(int key);
    // The field was left with an accepted text (its exit event).
    void exited();
    // The operator changed the text (typing, pasting, spinning, leaving).
    void userChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Copies the widget's selection into the model, and the model's text and selection back.
    void pull();
    void push();
    // Runs an operation of the model on the current text and shows the outcome.
    void operate(const std::function<void()>& op);

private:
    void updateMinimumHeight();

    FloatEditModel model_;
};

// The numeric field with up and down spin buttons inside its right edge; the arrow keys
// spin too.
class TSpinFloatEdit : public TCustomFloatEdit {
    Q_OBJECT

public:
    explicit TSpinFloatEdit(QWidget* parent = nullptr);

    bool editorEnabled() const { return model().EditorEnabled; }
    void setEditorEnabled(bool on) { model().EditorEnabled = on; }
    double increment() const { return static_cast<double>(model().Increment); }
    void setIncrement(double step) { model().Increment = step; }
    // Replaces the built-in step when set (OnComputedIncrement).
    void setComputedIncrement(std::function<void(bool up)> handler);

    // A press of the up or down spin button.
    void spin(bool up);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

    static constexpr int ButtonWidth = 15;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace vk
