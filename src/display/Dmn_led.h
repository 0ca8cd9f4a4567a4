#pragma once
#include "display/LedModel.h"

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace vk {

// A 16x16 indicator lamp drawn from fixed pixel maps in the top left corner of the control.
class TLed : public QWidget {
    Q_OBJECT

public:
    explicit TLed(QWidget* parent = nullptr);

    bool value() const { return model_.value(); }
    void setValue(bool v);
    TLedKind kind() const { return model_.kind(); }
    void setKind(TLedKind k);
    TLedShape shape() const { return model_.shape(); }
    void setShape(TLedShape s);

    QLabel* labelLinked() const { return label_; }
    // Not owned; a label that is destroyed is unlinked.
    void setLabelLinked(QLabel* label);
    QString labelOnText() const;
    void setLabelOnText(const QString& t);
    QString labelOffText() const;
    void setLabelOffText(const QString& t);

    const LedModel& model() const { return model_; }

signals:
    void changed();
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    LedModel model_;
    QPointer<QLabel> label_;
    QMetaObject::Connection labelGone_;
    bool pressed_ = false;
};

} // namespace vk
