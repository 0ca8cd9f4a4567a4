#include "app/DlgYesNo.h"

#include "display/Pictures.h"

#include <QLabel>
#include <QPushButton>

TFDlgYesNo::TFDlgYesNo(const QString& applicationTitle, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FDlgYesNo"));
    setWindowTitle(applicationTitle);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setModal(true);
    setFixedSize(222, 94);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(4, 14, 32, 32);
    Image1->setPixmap(vk::QuestionPicture(devicePixelRatioF()));

    Label1 = new QLabel(QStringLiteral("?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(44, 6, 169, 49);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);

    OKBtn = new QPushButton(QStringLiteral("Ja"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(44, 62, 75, 25);
    OKBtn->setDefault(true);

    CancelBtn = new QPushButton(QStringLiteral("Nein"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(138, 62, 75, 25);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFDlgYesNo::ask(const QString& message, bool yesFocused) {
    yesFocused_ = yesFocused;
    OKBtn->setDefault(yesFocused);
    CancelBtn->setDefault(!yesFocused);
    Label1->setText(message);
    return exec() == QDialog::Accepted;
}

void TFDlgYesNo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Every showing starts on the asked-for button, whatever had the focus last time.
    (yesFocused_ ? OKBtn : CancelBtn)->setFocus(Qt::OtherFocusReason);
}
