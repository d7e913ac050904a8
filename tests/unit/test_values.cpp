#include "values/index_hash.h"
#include "values/list.h"
#include "values/variable.h"

#include <QtTest>

class TestValues : public QObject {
    Q_OBJECT
private slots:
    void smoke()
    {
        Variable v(2.5);
        Variable w = v;
        QCOMPARE(w.getDouble(), 2.5);
    }
};

QTEST_APPLESS_MAIN(TestValues)
#include "test_values.moc"
