// The windows are laid out for Arial, Times New Roman and MS Sans Serif; on Linux the
// metric-compatible Liberation fonts must serve those names, or text is cut.
#include <QFont>
#include <QFontInfo>
#include <QtTest>

class FontsTest : public QObject {
    Q_OBJECT

private slots:
    void layoutFontsAreServedByLiberation_data() {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("served");
        QTest::newRow("Arial") << "Arial"
                               << "Liberation Sans";
        QTest::newRow("Times New Roman") << "Times New Roman"
                                         << "Liberation Serif";
        QTest::newRow("MS Sans Serif") << "MS Sans Serif"
                                       << "Liberation Sans";
    }
    void layoutFontsAreServedByLiberation() {
        QFETCH(QString, asked);
        QFETCH(QString, served);
        for (bool bold : {false, true}) {
            QFont f(asked);
            f.setPixelSize(19);
            f.setBold(bold);
            QCOMPARE(QFontInfo(f).family(), served);
        }
    }
};

QTEST_MAIN(FontsTest)
#include "FontsTest.moc"
