#include "config/FlEdit.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace vk {

namespace {

QString toQ(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

} // namespace

TCustomFloatEdit::TCustomFloatEdit(QWidget* parent)
    : QLineEdit(parent), model_(QLocale::system().decimalPoint().front().unicode()) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setText(toQ(model_.text));
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& t) { model_.text = t.toStdU16String(); });
    connect(this, &QLineEdit::textEdited, this, &TCustomFloatEdit::userChanged);
    model_.OnEnterPress = [this](char16_t key) { emit enterPressed(key); };
    model_.OnExit = [this] { emit exited(); };
    model_.OnError = [this](const std::string& message) {
        QMessageBox::warning(this, window()->windowTitle(), QString::fromStdString(message));
    };
    model_.OnBeep = [] { QApplication::beep(); };
    updateMinimumHeight();
}

void TCustomFloatEdit::pull() {
    model_.text = text().toStdU16String();
    if (hasSelectedText()) {
        model_.selStart = selectionStart();
        model_.selLength = static_cast<int>(selectedText().size());
    } else {
        model_.selStart = cursorPosition();
        model_.selLength = 0;
    }
}

void TCustomFloatEdit::push() {
    const QString t = toQ(model_.text);
    if (t != text())
        setText(t);
    if (model_.selLength > 0)
        setSelection(model_.selStart, model_.selLength);
    else
        setCursorPosition(model_.selStart);
}

void TCustomFloatEdit::operate(const std::function<void()>& op) {
    pull();
    op();
    push();
}

void TCustomFloatEdit::setDigits(int digits) {
    operate([&] { model_.SetDigits(digits); });
}

void TCustomFloatEdit::setValue(double v) {
    operate([&] { model_.SetValue(v); });
}

void TCustomFloatEdit::setMinValue(double v) {
    operate([&] { model_.SetMin(v); });
}

void TCustomFloatEdit::setMaxValue(double v) {
    operate([&] { model_.SetMax(v); });
}

void TCustomFloatEdit::setErrorMessage(const QString& message) {
    model_.ErrorMessage = message.toStdString();
}

void TCustomFloatEdit::setDecimalSeparator(QChar separator) {
    operate([&] { model_.SetDecimalSeparator(separator.unicode()); });
}

void TCustomFloatEdit::endLoad() {
    operate([&] { model_.EndLoad(); });
}

// The line edit's own editing tells userChanged through textEdited; only what the model
// changes is told here.
void TCustomFloatEdit::keyPressEvent(QKeyEvent* event) {
    const bool edits = event == QKeySequence::Paste || event == QKeySequence::Cut ||
                       (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier);
    if (edits) {
        if (!model_.CanEdit())
            return;
        QLineEdit::keyPressEvent(event);
    } else if (event->text().size() == 1) {
        const QString before = text();
        const char16_t ch = event->text().front().unicode();
        pull();
        const FloatEditModel::Key k = model_.KeyPress(ch);
        push();
        if (text() != before)
            emit userChanged();
        if (k == FloatEditModel::Key::Passed)
            QLineEdit::keyPressEvent(event);
        // Enter and Esc go on to the dialog's default and cancel buttons.
        if (ch == 10 || ch == 13 || ch == 27)
            event->ignore();
    } else {
        QLineEdit::keyPressEvent(event);
    }
}

void TCustomFloatEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    operate([&] { model_.Enter(event->reason() == Qt::MouseFocusReason); });
}

void TCustomFloatEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A menu or another window taking the focus for a while is no leaving.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    const QString before = text();
    bool left = true;
    operate([&] { left = model_.Leave(); });
    if (text() != before)
        emit userChanged();
    if (!left)
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) {
                setFocus(Qt::OtherFocusReason);
                selectAll();
            }
        });
}

void TCustomFloatEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* a : menu->actions())
        if (a->objectName() == QLatin1String("edit-paste") ||
            a->objectName() == QLatin1String("edit-cut") ||
            a->objectName() == QLatin1String("edit-delete"))
            a->setEnabled(a->isEnabled() && model_.CanEdit());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TCustomFloatEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateMinimumHeight();
    if (event->type() == QEvent::ReadOnlyChange)
        model_.ReadOnly = isReadOnly();
}

void TCustomFloatEdit::updateMinimumHeight() {
    setMinimumHeight(FloatEditModel::MinimumHeight(1, fontMetrics().height(),
                                                   QFontMetrics(QApplication::font()).height()));
}

// ---------------------------------------------------------------------------------------

TSpinFloatEdit::TSpinFloatEdit(QWidget* parent)
    : TCustomFloatEdit(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    up_->setObjectName("SpinUp");
    down_->setObjectName("SpinDown");
    for (QToolButton* b : {up_, down_}) {
        b->setArrowType(b == up_ ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::ArrowCursor);
        b->setIconSize(QSize(7, 4));
    }
    connect(up_, &QToolButton::clicked, this, [this] { spin(true); });
    connect(down_, &QToolButton::clicked, this, [this] { spin(false); });
    setTextMargins(0, 0, ButtonWidth, 0);
}

void TSpinFloatEdit::setComputedIncrement(std::function<void(bool up)> handler) {
    model().OnComputedIncrement = std::move(handler);
}

void TSpinFloatEdit::spin(bool up) {
    const QString before = text();
    operate([&] { model().Spin(up); });
    if (text() != before)
        emit userChanged();
}

void TSpinFloatEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const QString before = text();
        operate([&] { model().ArrowKey(event->key() == Qt::Key_Up); });
        if (text() != before)
            emit userChanged();
        return;
    }
    TCustomFloatEdit::keyPressEvent(event);
}

void TSpinFloatEdit::resizeEvent(QResizeEvent* event) {
    TCustomFloatEdit::resizeEvent(event);
    const int f = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int h = height() - 2 * f;
    up_->setGeometry(width() - f - ButtonWidth, f, ButtonWidth, h / 2);
    down_->setGeometry(width() - f - ButtonWidth, f + h / 2, ButtonWidth, h - h / 2);
}

} // namespace vk
