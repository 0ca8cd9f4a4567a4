#pragma once
#include "display/DigitModel.h"

#include <QWidget>

namespace vk {

// One seven-segment digit with a corner mark, drawn as filled polygons at any size.
class TDigit : public QWidget {
    Q_OBJECT

public:
    explicit TDigit(QWidget* parent = nullptr);

    int value() const { return model_.value(); }
    void setValue(int v);
    uint8_t valueBinary() const { return model_.valueBinary(); }
    void setValueBinary(uint8_t b);

    Color colorOn() const { return model_.colorOn(); }
    void setColorOn(Color c);
    Color colorOff() const { return model_.colorOff(); }
    void setColorOff(Color c);
    Color color() const { return model_.color(); }
    void setColor(Color c);

    int thickness() const { return model_.thickness(); }
    // Tested against the current size: resize() before setThickness().
    void setThickness(int t);
    int separation() const { return model_.separation(); }
    void setSeparation(int s);

    TBorderStyle borderStyle() const { return model_.borderStyle(); }
    void setBorderStyle(TBorderStyle b);

    const DigitModel& model() const { return model_; }

signals:
    void overflow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void syncSize();

    DigitModel model_;
};

} // namespace vk
