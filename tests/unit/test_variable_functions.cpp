#include "app/current_directory.h"
#include "library/native_definition.h"
#include "native_test_support.h"
#include "values/error_codes.h"
#include "values/output_list.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

Q_DECLARE_METATYPE(Variable)

namespace {

Variable array(VariableType type, uint32_t rows, uint32_t columns)
{
    return NativeTest::array<double>(type, rows, columns);
}

Variable undefinedValue()
{
    Variable v;
    v.setUndefined();
    return v;
}

// Runs a native on `args`; returns its boolean answer, or -1 after a failure.
int answer(const QString &name, const QList<Variable> &args)
{
    const NativeTest::Outcome out = NativeTest::call(variableNatives(), name, args);
    if (!out.ok)
        return -1;
    if (out.stackSize != 1 || out.top.type() != BOOLEAN_TYPE || !OutputList::instance().isEmpty())
        qFatal("%s left a bad result", qPrintable(name));
    return out.top.getBoolean() ? 1 : 0;
}

const char *const kPredicates[] = {
    "is_line", "is_row", "is_column", "is_vector", "is_scalar", "is_empty", "is_double", "is_string", "is_bool",
};

} // namespace

class TestVariableFunctions : public QObject {
    Q_OBJECT
private slots:
    // One row per value: the answers of the predicates in kPredicates order.
    void predicates_data()
    {
        QTest::addColumn<Variable>("value");
        QTest::addColumn<QString>("answers");
        QTest::newRow("double") << Variable(2.5) << "000010100";
        QTest::newRow("string") << Variable(String("abc")) << "000010010";
        QTest::newRow("boolean") << Variable(false) << "000010001";
        QTest::newRow("undefined") << undefinedValue() << "000000000";
        QTest::newRow("empty typeless array") << Variable(Vector()) << "000101000";
        QTest::newRow("empty double array") << Variable(Vector(DOUBLE_TYPE)) << "000101100";
        QTest::newRow("1x1 array") << array(DOUBLE_TYPE, 1, 1) << "111100100";
        QTest::newRow("row") << array(DOUBLE_TYPE, 1, 3) << "110100100";
        QTest::newRow("column of strings") << array(STRING_TYPE, 3, 1) << "101100010";
        QTest::newRow("2x2 booleans") << array(BOOLEAN_TYPE, 2, 2) << "000100001";
        QTest::newRow("integer array") << array(INTEGER_TYPE, 2, 3) << "000100000";
    }
    void predicates()
    {
        QFETCH(Variable, value);
        QFETCH(QString, answers);
        for (int i = 0; i < answers.size(); ++i) {
            const QString name = QLatin1String(kPredicates[i]);
            QCOMPARE(QString::number(answer(name, {value})) + QLatin1Char(' ') + name,
                     answers.mid(i, 1) + QLatin1Char(' ') + name);
        }
    }

    void fails_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<Variable>>("args");
        QTest::addColumn<uint>("code");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        const quint32 count = ERR_WRONG_PARAMETERS_COUNT_IN_FUNCTION;
        const Variable dot(String("."));
        QTest::newRow("is_line none") << "is_line" << QList<Variable>{} << uint(count) << 0 << 1;
        QTest::newRow("is_bool two") << "is_bool" << QList<Variable>{dot, dot} << uint(count) << 2 << 1;
        QTest::newRow("is_file two") << "is_file" << QList<Variable>{dot, dot} << uint(count) << 2 << 1;
        QTest::newRow("is_dir of double") << "is_dir" << QList<Variable>{Variable(1.0)} << uint(ERR_BAD_ARGUMENT) << 0
                                          << int(STRING_TYPE);
    }
    void fails()
    {
        QFETCH(QString, name);
        QFETCH(QList<Variable>, args);
        QFETCH(uint, code);
        QFETCH(int, first);
        QFETCH(int, second);
        QCOMPARE(answer(name, args), -1);
        const OutputList &output = OutputList::instance();
        QCOMPARE(output.count(), 1);
        const ErrorReport &r = output.at(0).report;
        QCOMPARE(r.code, quint32(code));
        QCOMPARE(r.name, name);
        QCOMPARE(r.firstNumber, first);
        QCOMPARE(r.secondNumber, second);
    }

    // The file tests resolve names against the current directory, a
    // scratch directory holding the file "data.txt" and the directory "sub".
    void paths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("answers"); // is_file, is_dir, path_exists
        QTest::newRow("file") << "data.txt" << "101";
        QTest::newRow("directory") << "sub" << "011";
        QTest::newRow("missing") << "nothing.txt" << "000";
        QTest::newRow("empty name") << "" << "000";
        QTest::newRow("home") << "~" << "011";
    }
    void paths()
    {
        QFETCH(QString, name);
        QFETCH(QString, answers);
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        QVERIFY(QDir(scratch.path()).mkdir(QStringLiteral("sub")));
        QFile file(scratch.filePath(QStringLiteral("data.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString previous = CurrentDirectory::path();
        CurrentDirectory::setPath(scratch.path());
        const Variable arg(String::fromQString(name));
        const QString got = QString::number(answer(QStringLiteral("is_file"), {arg}))
                            + QString::number(answer(QStringLiteral("is_dir"), {arg}))
                            + QString::number(answer(QStringLiteral("path_exists"), {arg}));
        CurrentDirectory::setPath(previous);
        QCOMPARE(got, answers);
    }
};

QTEST_APPLESS_MAIN(TestVariableFunctions)
#include "test_variable_functions.moc"
