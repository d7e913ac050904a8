#include "library/native_definition.h"
#include "native_test_support.h"
#include "values/output_list.h"

#include <QtTest>

// strings_convert.l pins the string natives through the language; these are
// the single-byte Latin-1 cases a script file cannot spell.
class TestConvertFunctions : public QObject {
    Q_OBJECT
private slots:
    void latin1_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("arg");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("trimmed keeps no-break space") << "trimmed" << QByteArray("\xA0x ") << QByteArray("\xA0x");
        QTest::newRow("toupper latin-1") << "toupper" << QByteArray("\xE9\xF6") << QByteArray("\xC9\xD6");
        QTest::newRow("toupper no single-byte capital") << "toupper" << QByteArray("\xDF\xFF\xB5")
                                                        << QByteArray("\xDF\xFF\xB5");
        QTest::newRow("tolower") << "tolower" << QByteArray("AbC\xC9") << QByteArray("abc\xE9");
    }
    void latin1()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, arg);
        QFETCH(QByteArray, expected);
        const NativeTest::Outcome out = NativeTest::call(stringNatives(), name, {Variable(String(arg.constData()))});
        QVERIFY(out.ok);
        QCOMPARE(OutputList::instance().count(), 0);
        QCOMPARE(out.stackSize, 1);
        QCOMPARE(out.top.type(), STRING_TYPE);
        QCOMPARE(out.top.getString().toByteArray(), expected);
    }
};

QTEST_APPLESS_MAIN(TestConvertFunctions)
#include "test_convert_functions.moc"
