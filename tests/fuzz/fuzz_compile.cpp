// Any byte string typed at the prompt or read as a script file must compile
// or be rejected with a report; never crash, hang or trip an assertion.
#include "language/parser_interface.h"
#include "language/script.h"
#include "values/output_list.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        // As one submission at the prompt, then again as a continuation of
        // the same interactive unit (its symbols and constants stay).
        Script interactive;
        compileSubmission(interactive, text);
        compileSubmission(interactive, text);
    }
    {
        Script file(QStringLiteral("fuzz.l"));
        compileScriptText(file, text);
    }
    OutputList::instance().clear();
    return 0;
}
