#include "language/statement_type.h"

QString statementPrompt(StatementType type)
{
    static const char *const prompts[] = {">> ", "vector > ", "block > ", "while > ", "for > ",
                                          "do > ", "if > ", "else > ", "switch > ", "function > "};
    const int i = int(type);
    return QString::fromLatin1(i >= 0 && i <= 9 ? prompts[i] : prompts[0]);
}
