#include "app/TopBar.h"

#include "app/FMain.h"
#include "app/MainLayout.h"
#include "display/LbSpeedButton.h"
#include "display/Pictures.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

namespace vk {

namespace {

// The logo's coloured letters take a click.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        QLabel::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick)
            onClick();
    }
};

QFont arial(int px, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

TLbSpeedButton* pictureButton(QWidget* parent, const char* name, const QString& hint,
                              QPixmap (*picture)(qreal), int x, int y) {
    auto* b = new TLbSpeedButton(parent);
    b->setObjectName(name);
    b->setButtonStyle(bsShape);
    b->setFlat(true);
    b->setNumGlyphs(4);
    b->setGlyphSource([picture](qreal dpr) { return FourStates(picture(dpr)); });
    b->setToolTip(hint);
    b->setCursor(Qt::PointingHandCursor);
    b->setGeometry(x, y, 38, 40);
    return b;
}

void setTextColor(QLabel* l, const QColor& c) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, c);
    l->setPalette(pal);
}

void buildLogo(TFormMain& w) {
    // The maker's brand word: red and green letters over a black copy two pixels down and
    // right, then a blue suffix on the same baseline.
    const QString word = QStringLiteral("Quorvane");
    auto* shadow = new QLabel(word, w.Panel1);
    shadow->setObjectName("LabelLogoShadow");
    shadow->setFont(arial(27, true));
    setTextColor(shadow, Qt::black);
    shadow->adjustSize();
    shadow->move(117, 4);
    auto* logo = new ClickLabel(w.Panel1);
    logo->setObjectName("ImageDE");
    logo->setTextFormat(Qt::RichText);
    logo->setText(QStringLiteral("<span style='color:#ff0000'>Quor</span>"
                                 "<span style='color:#00a000'>vane</span>"));
    logo->setFont(arial(27, true));
    logo->adjustSize();
    logo->move(115, 2);
    logo->setCursor(Qt::PointingHandCursor);
    logo->onClick = [&w] { w.ImageDEClick(); };
    auto* suffix = new QLabel(QStringLiteral(".de"), w.Panel1);
    suffix->setObjectName("LabelLogoSuffix");
    suffix->setFont(arial(19, true));
    setTextColor(suffix, Qt::blue);
    suffix->adjustSize();
    const QFontMetrics big(logo->font()), small(suffix->font());
    suffix->move(logo->x() + big.horizontalAdvance(word) + 1,
                 logo->y() + big.ascent() - small.ascent());
}

} // namespace

void BuildTopBar(TFormMain& w) {
    w.Panel1 = new QWidget(&w);
    w.Panel1->setObjectName("Panel1");
    w.Panel1->setFixedHeight(38);
    QFont barFont = w.font();
    barFont.setBold(true);
    barFont.setPixelSize(16);
    w.Panel1->setFont(barFont);

    w.bHelp = pictureButton(w.Panel1, "bHelp", QStringLiteral("Hilfe (F1)"), HelpPicture, 0, -1);
    w.bCFG = pictureButton(w.Panel1, "bCFG", QStringLiteral("Einstellungen (F2)"), SettingsPicture,
                           38, 0);
    w.bInfo = pictureButton(w.Panel1, "bInfo", QStringLiteral("Info (F3)"), InfoPicture, 76, 1);
    QObject::connect(w.bHelp, &TLbSpeedButton::clicked, &w, [&w] { w.bHelpClick(); });
    QObject::connect(w.bCFG, &TLbSpeedButton::clicked, &w, [&w] { w.bCFGClick(); });
    QObject::connect(w.bInfo, &TLbSpeedButton::clicked, &w, [&w] { w.bInfoClick(); });
    buildLogo(w);

    w.eTitle = new QLineEdit(w.Panel1);
    w.eTitle->setObjectName("eTitle");
    w.eTitle->setToolTip(QStringLiteral("Titel"));
    w.eTitle->setGeometry(392, 4, 184, 28);
    QObject::connect(w.eTitle, &QLineEdit::textChanged, &w, [&w] { w.eTitleChange(); });

    w.PanelDate = new QLabel(QStringLiteral("00:00"), w.Panel1);
    w.PanelDate->setObjectName("PanelDate");
    w.PanelDate->setFont(arial(24, false));
    w.PanelDate->setAlignment(Qt::AlignCenter);
    w.PanelDate->setStyleSheet(
        QStringLiteral("QLabel { background: black; color: silver; border: 2px inset gray; }"));
    w.PanelDate->setGeometry(w.width() - 216, 0, 216, 38);

    w.TimerDate = new QTimer(&w);
    w.TimerDate->setObjectName("TimerDate");
    w.TimerDate->setInterval(5000);
    QObject::connect(w.TimerDate, &QTimer::timeout, &w, [&w] { w.TimerDateTimer(); });
    w.TimerDate->start();
}

void ArrangeTopBar(TFormMain& w) {
    QFont titleFont = w.Panel1->font();
    const QString title = w.eTitle->text();
    const TopBarPlaces t = PlaceTopBar(w.Panel1->width(), [&](int px) {
        titleFont.setPixelSize(px);
        return QFontMetrics(titleFont).horizontalAdvance(title);
    });
    titleFont.setPixelSize(t.titlePixels);
    w.eTitle->setFont(titleFont);
    // A title too long for the bar is read whole from the field's hint.
    w.eTitle->setToolTip(t.titleFits ? QStringLiteral("Titel") : QStringLiteral("Titel: ") + title);
    w.eTitle->setGeometry(t.title.left, t.title.top, t.title.width, t.title.height);
    w.PanelDate->setGeometry(t.date.left, t.date.top, t.date.width, t.date.height);
}

} // namespace vk
