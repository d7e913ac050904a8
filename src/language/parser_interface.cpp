#include "language/parser_interface.h"

#include "language/compiler.h"
#include "language/lex_context.h"
#include "language/script.h"
#include "values/error_codes.h"
#include "values/output_list.h"

#include <QFile>
#include <QFileInfo>

int numlyra_parse(Compiler *C, LexContext *L);

namespace {

void reportSyntaxError(const Script &script)
{
    ErrorReport report;
    report.code = ERR_SYNTAX_ERROR;
    report.line = script.currentLine();
    report.path = script.fileName();
    report.token = script.offendingToken();
    OutputList::instance().appendError(report);
}

ParseResult decide(Script &script, int status, bool allowContinuation)
{
    ParseResult result;
    if (status == 0 && script.isValid()) {
        result.outcome = ParseResult::ACCEPTED;
        return result;
    }
    if (!script.isValid()) {
        result.outcome = ParseResult::ERROR;
        return result;
    }
    // An exhausted parser stack did not reach the end of the text: whatever
    // is open, the text is not merely unfinished.
    if (allowContinuation && status != 2 && !script.statementStackEmpty()) {
        result.outcome = ParseResult::INCOMPLETE;
        result.statement = script.topStatement();
        return result;
    }
    reportSyntaxError(script);
    result.outcome = ParseResult::ERROR;
    return result;
}

} // namespace

int parseText(Script &script, const char *text, int length)
{
    // Every parse has its own scanner and compiler state, so a file can be
    // compiled while another compile's state is still around.
    Compiler compiler(&script);
    LexContext context(&compiler);
    numlyraLexBegin(&context, text, length);
    const int status = numlyra_parse(&compiler, &context);
    numlyraLexEnd(&context);
    compiler.finishParse();
    return status == 0 ? 0 : status == 2 ? 2 : 1;
}

ParseResult compileSubmission(Script &interactive, const QByteArray &text)
{
    interactive.resetCompileState();
    QByteArray buffer = text;
    buffer.append('\n');
    const int status = parseText(interactive, buffer.constData(), int(buffer.size()));
    return decide(interactive, status, true);
}

ParseResult compileScriptText(Script &script, const QByteArray &text)
{
    script.resetCompileState();
    QByteArray buffer = text;
    if (!buffer.endsWith('\n'))
        buffer.append('\n');
    const int status = parseText(script, buffer.constData(), int(buffer.size()));
    return decide(script, status, false);
}

ParseResult compileScriptFile(Script &script, const QString &path)
{
    QFileInfo info(path);
    ErrorReport report;
    report.name = path;
    report.path = path;
    if (!info.exists()) {
        report.code = ERR_FILE_DOESNT_EXIST;
    } else if (!info.isFile()) {
        report.code = ERR_NOT_A_FILE;
    } else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return compileScriptText(script, file.readAll());
        report.code = ERR_CANT_OPEN_FILE_TO_READ;
    }
    OutputList::instance().appendError(report);
    return ParseResult();
}
