#pragma once
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// The modal yes/no question: "Ja" answers yes, "Nein", Esc or closing the window say no.
// The caller chooses which of the two has the focus, and so what Enter answers.
class TFDlgYesNo : public QDialog {
    Q_OBJECT

public:
    explicit TFDlgYesNo(const QString& applicationTitle, QWidget* parent = nullptr);

    // Sets the message, shows the dialog modally with "Ja" (or "Nein") focused; true only
    // for "Ja".
    bool ask(const QString& message, bool yesFocused = true);

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool yesFocused_ = true;
};
