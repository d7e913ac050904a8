#pragma once

#include <QStringList>

// The reserved words of the language (the keywords and `pi`): the scanner
// recognises them through this table, and the editor's highlighter reads
// the same table.

// The token of a reserved word, or 0 when `text` is an ordinary name.
int keywordToken(const char *text, int length);

// Every reserved word, in table order.
QStringList keywordNames();
