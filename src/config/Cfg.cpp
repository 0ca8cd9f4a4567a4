#include "config/Cfg.h"

#include "config/FlEdit.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <functional>

namespace vk {

namespace {

QColor qcolor(Color c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->adjustSize();
    l->move(x, y);
    return l;
}

// A label whose right edge stays at `right`.
QLabel* rightLabel(QWidget* parent, const char* name, const QString& text, int right, int y) {
    QLabel* l = label(parent, name, text, 0, y);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->move(right - l->width(), y);
    return l;
}

TSpinFloatEdit* spinField(QWidget* parent, const char* name, QRect r, double value, double min,
                          double max, double step, int digits) {
    auto* f = new TSpinFloatEdit(parent);
    f->setObjectName(name);
    f->beginLoad();
    f->setIncrement(step);
    f->setDigits(digits);
    f->setValue(value);
    f->setMinValue(min);
    f->setMaxValue(max);
    f->endLoad();
    f->setGeometry(r);
    return f;
}

QComboBox* list(QWidget* parent, const char* name, int x, int y, int width,
                QComboBox* c = nullptr) {
    if (!c)
        c = new QComboBox(parent);
    c->setObjectName(name);
    c->setGeometry(x, y, width, c->sizeHint().height());
    return c;
}

// A drop-down list that is told before it opens, so it can read its entries anew; its open
// list is as wide as its longest entry, however narrow the closed box is.
class FreshList final : public QComboBox {
public:
    FreshList(QWidget* parent, std::function<void()> beforeOpen)
        : QComboBox(parent), beforeOpen_(std::move(beforeOpen)) {}
    void showPopup() override {
        beforeOpen_();
        view()->setMinimumWidth(view()->sizeHintForColumn(0) + 8);
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforeOpen_;
};

QCheckBox* check(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(name);
    c->adjustSize();
    c->move(x, y);
    return c;
}

// A 32 x 32 picture on a transparent ground, in the screen's own pixels.
QPixmap Picture(const std::function<void(QPainter&)>& draw, qreal dpr) {
    if (!(dpr > 0))
        dpr = 1;
    QPixmap pm(QSize(32, 32) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    return pm;
}

// A light barrier: a post with a sender and the beam across the lane.
void BarrierPicture(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(QRectF(3.5, 6.5, 6, 22));
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(QRectF(2.5, 9.5, 8, 7));
    p.setPen(QPen(QColor(255, 40, 40), 2, Qt::DashLine));
    p.drawLine(QPointF(11, 13), QPointF(30, 13));
}

// The start side: a light tree with red, yellow and green lamps.
void StartPicture(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawRoundedRect(QRectF(9, 1, 14, 30), 3, 3);
    const QColor lamps[3] = {QColor(230, 30, 30), QColor(240, 200, 0), QColor(30, 200, 30)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lamps[i]);
        p.drawEllipse(QRectF(12, 3.5 + i * 9, 8, 8));
    }
}

// The finish side: a chequered flag.
void FinishPicture(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(90, 60, 30), 2));
    p.drawLine(4, 3, 4, 31);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c)
            p.fillRect(5 + c * 4, 3 + r * 4, 4, 4, (r + c) % 2 ? Qt::white : Qt::black);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(5, 3, 24, 16);
}

QLabel* picture(QWidget* parent, const char* name, void (*draw)(QPainter&), int x, int y) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setPixmap(Picture(draw, parent->devicePixelRatioF()));
    l->setGeometry(x, y, 32, 32);
    return l;
}

} // namespace

// ---------------------------------------------------------------------------------------

SchematicShapeWidget::SchematicShapeWidget(const SchematicShape& shape, QWidget* parent)
    : QWidget(parent), shape_(shape), color_(shape.fixed) {
    setObjectName(QString::fromStdString(shape.name));
    setToolTip(QString::fromStdString(shape.hint));
    setGeometry(shape.x, shape.y, shape.width, shape.height);
}

void SchematicShapeWidget::setColor(Color c) {
    if (c == color_)
        return;
    color_ = c;
    update();
}

void SchematicShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    switch (shape_.kind) {
    case SchematicShape::Rectangle:
        p.setPen(qcolor(color_));
        p.setBrush(Qt::white);
        p.drawRect(r);
        break;
    case SchematicShape::Circle:
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(shape_.part == SchematicShape::Fixed ? qcolor(color_) : QColor(Qt::black));
        p.setBrush(shape_.part == SchematicShape::Fixed ? QColor(Qt::white) : qcolor(color_));
        p.drawEllipse(r);
        break;
    case SchematicShape::Bar:
        p.fillRect(rect(), qcolor(color_));
        break;
    }
}

// ---------------------------------------------------------------------------------------

TCfgDialog::TCfgDialog(Settings& settings, uint32_t presentPorts, QWidget* parent)
    : QDialog(parent) {
    setObjectName("CfgDialog");
    setWindowTitle(QStringLiteral("Einstellungen"));
    setFixedSize(479, 383);
    // The fixed places of the controls are laid out for this font at 11 pixels.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    screens_ = [] {
        std::vector<ScreenRect> out;
        for (const QScreen* s : QGuiApplication::screens()) {
            const QRect g = s->geometry();
            out.push_back({g.left(), g.top(), g.width(), g.height()});
        }
        return out;
    };

    Label2 = label(this, "Label2", QStringLiteral("Streckenlange:"), 324, 8);
    sfeLen = spinField(this, "sfeLen", {399, 6, 57, 22}, 0.402, 0.1, 999, 0.1, 3);
    sfeLen->setToolTip(QStringLiteral("Km"));
    Label1 = label(this, "Label1", QStringLiteral("Km"), 458, 8);

    gbLS = new QGroupBox(QStringLiteral("Lichtschranken-Anschluss"), this);
    gbLS->setObjectName("gbLS");
    gbLS->setGeometry(8, 28, 465, 165);
    buildSchematic();
    seStartLen = spinField(gbLS, "seStartLen", {56, 16, 57, 22}, 0.1, 0.1, 1000, 0.1, 1);
    label(gbLS, "LabStartM", QStringLiteral("m"), 113, 20);
    seCentrLen = spinField(gbLS, "seCentrLen", {207, 16, 57, 22}, 200.0, 0.1, 10000, 0.1, 1);
    label(gbLS, "LabCentrM", QStringLiteral("m"), 265, 20);
    seFinalLen = spinField(gbLS, "seFinalLen", {336, 16, 57, 22}, 392.0, 0.1, 10000, 0.1, 1);
    label(gbLS, "LabFinalM", QStringLiteral("m"), 394, 20);

    cbAmpel = check(gbLS, "cbAmpel", QString(), 12, 104);
    cbLsStart = check(gbLS, "cbLsStart", QString(), 106, 104);
    cbLsCentr = check(gbLS, "cbLsCentr", QString(), 205, 104);
    cbLsFinal = check(gbLS, "cbLsFinal", QString(), 382, 104);
    for (QCheckBox* c : {cbAmpel, cbLsStart, cbLsCentr, cbLsFinal})
        c->setChecked(true);
    cbAmpel->setToolTip(QStringLiteral("Ampel mit Startkontakt"));

    Label15 = label(gbLS, "Label15", QStringLiteral("Port:"), 34, 143);
    cbPort = list(gbLS, "cbPort", 58, 139, 60, new FreshList(gbLS, [this] { refreshPorts(); }));
    cbPort->setToolTip(QStringLiteral("AMPEL (7+8), LS1 (1-4), LS2 (4-6)"));
    cbPort->setMaxVisibleItems(16);
    cbPort->addItem(QStringLiteral("Kein"));
    Label6 = label(gbLS, "Label6", QStringLiteral("Ampel algorithmus:"), 136, 143);
    cbAlg = list(gbLS, "cbAlg", 226, 139, 43);
    cbAlg->addItems({QStringLiteral("Ein"), QStringLiteral("Aus")});
    cbAlg->setEnabled(false);
    Label10 = rightLabel(gbLS, "Label10", QStringLiteral("Sperrzeit:"), 380, 143);
    seWait = spinField(gbLS, "seWait", {381, 139, 51, 22}, 0.2, 0, 600, 0.1, 1);
    Label3 = label(gbLS, "Label3", QStringLiteral("Sek."), 434, 143);

    LabMonitor = rightLabel(this, "LabMonitor", QStringLiteral("TV-Anschluss:"), 165, 200);
    cbMonitor = list(this, "cbMonitor", 167, 196, 202);
    cbMonitor->addItem(QStringLiteral("Kein"));
    LabMonitor->setEnabled(false);
    cbMonitor->setEnabled(false);
    cbKlass = check(this, "cbKlass", QStringLiteral("Klassen"), 385, 198);
    cbKlass->hide();
    cbManyStart = check(this, "cbManyStart",
                        QStringLiteral("Ein Teilnehmer kann mehrmals starten "
                                       "(Nr. = Platz, Platz, Platz...)"),
                        8, 280);
    cbZeitkarte =
        check(this, "cbZeitkarte", QStringLiteral("Zeitkarte nach jedem Rennen drucken"), 8, 300);

    cbLive = check(this, "cbLive", QStringLiteral("Live-Ergebnisse im Netz"), 8, 322);
    seLivePort = new QSpinBox(this);
    seLivePort->setObjectName("seLivePort");
    seLivePort->setRange(1, 65535);
    seLivePort->setValue(8080);
    seLivePort->setPrefix(QStringLiteral("Port: "));
    seLivePort->setGeometry(167, 319, 90, 22);

    LabError = new QLabel(this);
    LabError->setObjectName("LabError");
    LabError->setGeometry(8, 226, 463, 50);
    LabError->setWordWrap(true);
    LabError->setStyleSheet(QStringLiteral("color: #c00000;"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(80, 350, 81, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setGeometry(288, 350, 81, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    TimerBlink = new QTimer(this);
    TimerBlink->setObjectName("TimerBlink");
    TimerBlink->setInterval(500);
    connect(TimerBlink, &QTimer::timeout, this, &TCfgDialog::TimerBlinkTimer);

    connect(cbPort, &QComboBox::activated, this, &TCfgDialog::cbPortChange);
    for (QCheckBox* c : {cbLsStart, cbLsCentr, cbLsFinal})
        connect(c, &QCheckBox::toggled, this, &TCfgDialog::cbLsStartClick);
    connect(sfeLen, &QLineEdit::textChanged, this, &TCfgDialog::sfeLenChange);
    TSpinFloatEdit* distances[3] = {seStartLen, seCentrLen, seFinalLen};
    for (size_t i = 0; i < 3; ++i)
        connect(distances[i], &TCustomFloatEdit::userChanged, this,
                [this, i, f = distances[i]] { wanted_[i] = f->value(); });
    wanted_ = {seStartLen->value(), seCentrLen->value(), seFinalLen->value()};

    FormCreate(settings, presentPorts);
}

void TCfgDialog::buildSchematic() {
    for (const SchematicShape& s : SchematicShapes())
        shapes_.push_back(new SchematicShapeWidget(s, gbLS));
    QFont letters(QStringLiteral("Arial"));
    letters.setBold(true);
    letters.setPixelSize(27);
    for (const auto& [text, y, colour] :
         {std::tuple{"L", 52, Qt::red}, std::tuple{"R", 92, Qt::blue}}) {
        auto* l = new QLabel(QString::fromLatin1(text), gbLS);
        l->setFont(letters);
        l->setAlignment(Qt::AlignCenter);
        l->setStyleSheet(
            QStringLiteral("color: %1; background: transparent;").arg(QColor(colour).name()));
        l->setGeometry(48, y, 33, 32);
        l->setToolTip(QStringLiteral("Bahn %1").arg(QLatin1String(text)));
    }
    picture(gbLS, "ImageAmpelSide", StartPicture, 3, 70);
    picture(gbLS, "ImageFinish", FinishPicture, 429, 71);
    ImageStart = picture(gbLS, "ImageStart", BarrierPicture, 97, 72);
    ImageCentr = picture(gbLS, "ImageCentr", BarrierPicture, 196, 72);
    ImageFinal = picture(gbLS, "ImageFinal", BarrierPicture, 373, 72);
    ImageStart->setToolTip(QStringLiteral("Reaktion-LS"));
    ImageCentr->setToolTip(QStringLiteral("LS-Zwischzeit"));
    ImageFinal->setToolTip(QStringLiteral("TopSpeed-LS"));
}

void TCfgDialog::FormCreate(Settings& settings, uint32_t presentPorts) {
    for (const std::string& e : PortEntries(presentPorts))
        if (e != "Kein")
            cbPort->addItem(QString::fromStdString(e));
    seWait->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    settings.applyStartupDefaults();
    Label2->setText(QStringLiteral("Streckenlänge:"));
    Label2->adjustSize();
    sfeLenChange();
}

void TCfgDialog::setScreens(std::function<std::vector<ScreenRect>()> screens) {
    screens_ = std::move(screens);
}

SchematicShapeWidget* TCfgDialog::shape(const char* name) const {
    return gbLS->findChild<SchematicShapeWidget*>(QString::fromLatin1(name));
}

void TCfgDialog::setPortLister(std::function<std::vector<std::string>()> lister) {
    portLister_ = std::move(lister);
}

void TCfgDialog::refreshPorts() {
    if (!portLister_)
        return;
    const int chosen = PortOfEntry(cbPort->currentText().toStdString());
    const QSignalBlocker quiet(cbPort);
    cbPort->clear();
    cbPort->addItem(QStringLiteral("Kein"));
    std::vector<std::string> entries{"Kein"};
    for (const std::string& e : portLister_()) {
        cbPort->addItem(QString::fromStdString(e));
        entries.push_back(e);
    }
    // A chosen port that has gone leaves "Kein" chosen, as a port absent at the start does.
    cbPort->setCurrentIndex(PortEntryIndex(entries, chosen));
    if (chosen != 0 && cbPort->currentIndex() == 0)
        cbPortChange();
    paintSchematic();
}

void TCfgDialog::Fill(const Settings& s) {
    refreshPorts();
    std::vector<std::string> entries;
    for (int i = 0; i < cbPort->count(); ++i)
        entries.push_back(cbPort->itemText(i).toStdString());
    const CfgView v = OpeningView(s, entries);
    cbPort->setCurrentIndex(v.portEntry);
    cbAlg->setEnabled(v.portEntry != 0);
    cbAlg->setCurrentIndex(v.alg >= 0 && v.alg < cbAlg->count() ? v.alg : -1);
    seWait->setValue(v.waitSeconds);
    wanted_ = {v.startLen, v.centrLen, v.finalLen};
    sfeLen->setValue(v.lengthKm);
    sfeLenChange();
    cbKlass->setChecked(v.klass);
    cbAmpel->setChecked(v.ampel);
    cbLsStart->setChecked(v.lsStart);
    cbLsCentr->setChecked(v.lsCentr);
    cbLsFinal->setChecked(v.lsFinal);
    cbManyStart->setChecked(v.manyStart);
    cbZeitkarte->setChecked(v.zeitkarte);
    monitorIndex_ = v.monitorEntry;
    cbLive->setChecked(v.liveServer);
    seLivePort->setValue(v.livePort);
}

CfgChoice TCfgDialog::Choice() const {
    CfgChoice c;
    CfgView& v = c.view;
    v.portEntry = cbPort->currentIndex();
    v.alg = cbAlg->currentIndex();
    v.waitSeconds = seWait->value();
    v.lengthKm = sfeLen->value();
    v.klass = cbKlass->isChecked();
    v.startLen = seStartLen->value();
    v.centrLen = seCentrLen->value();
    v.finalLen = seFinalLen->value();
    v.ampel = cbAmpel->isChecked();
    v.lsStart = cbLsStart->isChecked();
    v.lsCentr = cbLsCentr->isChecked();
    v.lsFinal = cbLsFinal->isChecked();
    v.manyStart = cbManyStart->isChecked();
    v.zeitkarte = cbZeitkarte->isChecked();
    v.monitorEntry = cbMonitor->currentIndex();
    v.liveServer = cbLive->isChecked();
    v.livePort = seLivePort->value();
    c.portEntryText = cbPort->currentText().toStdString();
    c.lengthMetres = trackLength();
    return c;
}

std::optional<int32_t> TCfgDialog::trackLength() const {
    return TrackLengthMetres(sfeLen->model(), sfeLen->text().toStdU16String());
}

void TCfgDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TCfgDialog::FormShow() {
    const std::vector<ScreenRect> screens = screens_();
    const bool several = screens.size() > 1;
    LabMonitor->setEnabled(several);
    cbMonitor->setEnabled(several);
    cbMonitor->clear();
    if (several) {
        for (size_t i = 0; i < screens.size(); ++i)
            cbMonitor->addItem(
                QString::fromStdString(MonitorEntry(static_cast<int>(i), screens[i])));
        cbMonitor->setCurrentIndex(monitorIndex_);
    } else {
        cbMonitor->addItem(QStringLiteral("Kein"));
        cbMonitor->setCurrentIndex(0);
    }
    LabError->clear();
    paintSchematic();
    TimerBlink->start();
}

void TCfgDialog::done(int result) {
    if (result == QDialog::Accepted && !trackLength()) {
        const FloatEditModel& m = sfeLen->model();
        auto shortest = [&m](long double v) {
            return QString::fromStdU16String(m.FormatShortest(v)).toStdString();
        };
        LabError->setText(QString::fromStdString(TrackLengthRefused(
            sfeLen->text().toStdString(), shortest(m.Min()), shortest(m.Max()))));
        sfeLen->setFocus(Qt::OtherFocusReason);
        sfeLen->selectAll();
        return;
    }
    TimerBlink->stop();
    QDialog::done(result);
}

void TCfgDialog::TimerBlinkTimer() {
    blinkPhase_ ^= 1;
    paintSchematic();
}

void TCfgDialog::paintSchematic() {
    const SchematicColors c =
        BlinkColors(cbPort->currentIndex() > 0, blinkPhase_, cbLsStart->isChecked(),
                    cbLsCentr->isChecked(), cbLsFinal->isChecked());
    for (SchematicShapeWidget* s : shapes_)
        s->setColor(ColorOf(c, s->shape()));
}

void TCfgDialog::cbPortChange() {
    const bool on = cbPort->currentIndex() > 0;
    cbAlg->setEnabled(on);
    for (TSpinFloatEdit* f : {seWait, seFinalLen, seCentrLen, seStartLen})
        f->setEnabled(on);
}

void TCfgDialog::cbLsStartClick() {
    seStartLen->setEnabled(cbLsStart->isChecked());
    seCentrLen->setEnabled(cbLsCentr->isChecked());
    seFinalLen->setEnabled(cbLsFinal->isChecked());
}

void TCfgDialog::sfeLenChange() {
    if (!seFinalLen)
        return; // the design value arrives before the distance fields exist
    const double max = sfeLen->value() * 1000;
    TSpinFloatEdit* fields[3] = {seStartLen, seCentrLen, seFinalLen};
    for (size_t i = 0; i < 3; ++i) {
        fields[i]->setMaxValue(max);
        fields[i]->setValue(std::min(wanted_[i], max));
    }
}

} // namespace vk
