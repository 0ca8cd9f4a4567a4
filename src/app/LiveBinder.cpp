#include "app/LiveBinder.h"

#include "app/FMain.h"
#include "live/QrImage.h"

#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace vk {

LiveBinder::LiveBinder(TFormMain& window, const QString& address)
    : QObject(&window), w_(window),
      listen_(address.isEmpty() ? QHostAddress(QHostAddress::Any) : QHostAddress(address)) {
    label_ = new QLabel(w_.statusBar());
    label_->setObjectName("LabelLive");
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label_->hide();
    w_.statusBar()->addPermanentWidget(label_);
    soon_ = new QTimer(this);
    soon_->setSingleShot(true);
    soon_->setInterval(0);
    connect(soon_, &QTimer::timeout, this, &LiveBinder::refresh);
    // Edits, loads, imports, places and sorts all change the table; a lane stop writes a row
    // cell by cell, which the single-shot push folds into one.
    const QPointer<LiveBinder> self(this);
    CellTable& table = w_.table();
    table.onChanged = [self, previous = table.onChanged](int row) {
        if (previous)
            previous(row);
        if (self)
            self->changed();
    };
    for (LaneTimer* lane : {&w_.race().FrameT1, &w_.race().FrameT2})
        lane->onNumbersChanged = [self, previous = lane->onNumbersChanged] {
            if (previous)
                previous();
            if (self)
                self->changed();
        };
    if (w_.eTitle)
        connect(w_.eTitle, &QLineEdit::textChanged, this, &LiveBinder::changed);
}

LiveBinder::~LiveBinder() {
    server_.stop();
}

void LiveBinder::apply() {
    const Settings& s = w_.settings();
    if (!s.LiveServer) {
        server_.stop();
        soon_->stop();
        port_ = 0;
        address_.clear();
        label_->hide();
        emit addressChanged(address_);
        return;
    }
    if (server_.running() && port_ == s.LivePort)
        return;
    LiveServer::Options o;
    o.port = static_cast<quint16>(s.LivePort);
    o.address = listen_;
    const QString failure = server_.start(o);
    port_ = s.LivePort;
    if (!failure.isEmpty()) {
        address_.clear();
        label_->setText(QStringLiteral("Live-Server aus: ") + failure);
    } else {
        const QString host =
            listen_ == QHostAddress(QHostAddress::Any) ? LanAddress() : listen_.toString();
        address_ = QStringLiteral("http://%1:%2/").arg(host).arg(server_.port());
        label_->setText(QStringLiteral("Live: ") + address_);
        last_.reset();
        refresh();
    }
    label_->show();
    emit addressChanged(address_);
    showCode();
}

void LiveBinder::setAudienceWindow(QWidget* window) {
    audience_ = window;
    if (!window)
        return;
    audienceCode_ = new QLabel(window);
    audienceCode_->setObjectName("ImageLiveQr");
    audienceCode_->hide();
    window->installEventFilter(this);
    showCode();
}

void LiveBinder::toggleAudienceCode() {
    audienceCodeWanted_ = !audienceCodeWanted_;
    showCode();
}

bool LiveBinder::audienceCodeShown() const {
    return audienceCode_ && !audienceCode_->isHidden();
}

void LiveBinder::showWindow() {
    if (!window_) {
        window_ = new QDialog(&w_);
        window_->setObjectName("FormLive");
        window_->setWindowTitle(QStringLiteral("Live-Ergebnisse"));
        auto* box = new QVBoxLayout(window_);
        windowCode_ = new QLabel(window_);
        windowCode_->setObjectName("ImageQr");
        windowCode_->setAlignment(Qt::AlignCenter);
        windowText_ = new QLabel(window_);
        windowText_->setObjectName("LabelAddress");
        windowText_->setAlignment(Qt::AlignCenter);
        windowText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        box->addWidget(windowCode_);
        box->addWidget(windowText_);
    }
    showCode();
    window_->show();
    window_->raise();
}

void LiveBinder::showCode() {
    const QPixmap code = address_.isEmpty() ? QPixmap() : QPixmap::fromImage(QrImage(address_, 6));
    if (windowCode_) {
        windowCode_->setPixmap(code);
        windowText_->setText(
            address_.isEmpty() ? QStringLiteral("Der Live-Server ist aus (Einstellungen, F2).")
                               : QStringLiteral("Mit dem Handy scannen oder öffnen:\n") + address_);
    }
    if (!audienceCode_)
        return;
    audienceCode_->setPixmap(code);
    audienceCode_->adjustSize();
    audienceCode_->setVisible(!code.isNull() && audienceCodeWanted_);
    if (audience_)
        audienceCode_->move(audience_->width() - audienceCode_->width() - 8,
                            audience_->height() - audienceCode_->height() - 8);
    audienceCode_->raise();
}

bool LiveBinder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == audience_ && event->type() == QEvent::Resize)
        showCode();
    return QObject::eventFilter(watched, event);
}

void LiveBinder::changed() {
    if (server_.running() && !soon_->isActive())
        soon_->start();
}

void LiveBinder::setRunSource(std::function<const std::vector<RunRecord>&()> source) {
    runSource_ = std::move(source);
    runsChanged();
}

void LiveBinder::runsChanged() {
    runsStale_ = true;
    changed();
}

void LiveBinder::refresh() {
    if (!server_.running())
        return;
    if (runsStale_ && runSource_) {
        runs_ = std::make_shared<const std::vector<RunRecord>>(runSource_());
        runsStale_ = false;
    }
    auto s = std::make_shared<LiveState>();
    s->title = w_.eTitle ? w_.eTitle->text().toStdString() : w_.settings().Title;
    for (int lane = 1; lane <= 2; ++lane)
        s->lanes[static_cast<size_t>(lane - 1)] = LiveLaneOf(w_.race(), lane, w_.table());
    s->protocol = rows_.rows(w_.table());
    s->runs = runs_;
    if (last_ && *last_ == *s)
        return;
    last_ = s;
    server_.publish(std::move(s));
}

QString LanAddress() {
    QString any;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto f = i.flags();
        if (!(f & QNetworkInterface::IsUp) || !(f & QNetworkInterface::IsRunning) ||
            (f & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& e : i.addressEntries()) {
            const QHostAddress a = e.ip();
            if (a.protocol() != QAbstractSocket::IPv4Protocol || a.isLoopback())
                continue;
            const quint32 v4 = a.toIPv4Address();
            const bool lan = (v4 >> 24) == 10 || (v4 >> 20) == 0xAC1 || (v4 >> 16) == 0xC0A8;
            if (lan)
                return a.toString();
            if (any.isEmpty())
                any = a.toString();
        }
    }
    return any.isEmpty() ? QStringLiteral("127.0.0.1") : any;
}

} // namespace vk
