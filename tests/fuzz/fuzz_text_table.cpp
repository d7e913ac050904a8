// Text tables come from any program's CSV output: reading must succeed or
// report, for each element type, and a table read must write back and read
// again to the same value.
#include "persistence/failure_reporter.h"
#include "persistence/text_table.h"
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
        // A carriage return ends a line the way the platform's line endings
        // do, so a string field cannot keep one through a file.
        if (written.contains('\r'))
            continue;
        QBuffer again(&written);
        again.open(QIODevice::ReadOnly);
        Variable back;
        if (!TextTable::read(again, type, FailureReporter(&context), back))
            std::abort();
        if (TextTable::text(back) != written)
            std::abort();
    }
    OutputList::instance().clear(); // the reports of refused tables
    return 0;
}
