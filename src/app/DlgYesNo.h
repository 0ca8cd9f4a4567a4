#pragma once
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// The modal yes/no question: "Ja" answers yes (and has the focus, so Enter says yes),
// "Nein", Esc or closing the window say no.
class TFDlgYesNo : public QDialog {
    Q_OBJECT

public:
    explicit TFDlgYesNo(const QString& applicationTitle, QWidget* parent = nullptr);

    // Sets the message, shows the dialog modally; true only for "Ja".
    bool ask(const QString& message);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
