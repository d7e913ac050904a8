#include "library/native_definition.h"
#include "native_test_support.h"
#include "value_text.h"
#include "values/error_codes.h"

#include <QtTest>

using value_text::parse;
using value_text::show;

// arrays_build.l and arrays_natives.l run the array natives through the
// language with their messages; these are the checks a script cannot make.
class TestArrayFunctions : public QObject {
    Q_OBJECT
private slots:
    // Integer arrays have no spelling in a script.
    void diagRejectsIntegers()
    {
        const NativeTest::Outcome out = NativeTest::call(arrayNatives(), "diag", {parse("i[1 2; 3 4]")});
        QVERIFY(!out.ok);
        QCOMPARE(NativeTest::onlyError().code, quint32(ERR_BAD_DIAG_ARG));
    }

    // reshape only relabels the shape: the result reads the argument's
    // element block, and a later write to either copy leaves the other alone.
    void reshapeSharesStorage()
    {
        const Variable source = parse("[1 2 3 4 5 6]");
        const NativeTest::Outcome out = NativeTest::call(arrayNatives(), "reshape", {source, parse("3"), parse("2")});
        QVERIFY(out.ok);
        QCOMPARE(out.top.getVector().doubles(), source.getVector().doubles());
        Variable changed = out.top;
        QVERIFY(changed.vectorRef().set(0, 9.0));
        QCOMPARE(show(source), QStringLiteral("[1 2 3 4 5 6]"));
        QCOMPARE(show(changed), QStringLiteral("[9 2; 3 4; 5 6]"));
    }
};

QTEST_APPLESS_MAIN(TestArrayFunctions)
#include "test_array_functions.moc"
